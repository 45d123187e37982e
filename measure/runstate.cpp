#include "measure/runstate.h"

namespace orvr {

void Run::start() {
    state = RunState::Started;
    startCountdown = 5;
}

bool Run::onIdle() {
    switch (state) {
        case RunState::Measuring:
            // The idle reply that ends a run is its success, not a missed start.
            state = RunState::Ended;
            return false;
        case RunState::Started:
            if (startCountdown > 0) {
                --startCountdown;
                return false;
            }
            state = RunState::Idle;
            return true;
        case RunState::Idle:
        case RunState::Ended:
            return false;
    }
    return false;
}

void Run::onBusy() {
    if (state == RunState::Started) {
        state = RunState::Measuring;
    }
}

bool Run::takeEnded() {
    if (state != RunState::Ended) {
        return false;
    }
    state = RunState::Idle;
    return true;
}

}  // namespace orvr
