#include "support/testsupport.h"

namespace orvr::test {

sim::Options Rig::quickOptions() {
    sim::Options o;
    o.busyMs = 0;
    o.points = 50;
    return o;
}

Rig::Rig(sim::Options options) {
    options.storeDir = store.path().toStdString();
    server = std::make_unique<sim::Server>(options);
    server->listen("127.0.0.1", 0);
}

Environment Rig::environment() const {
    Environment env;
    env.exeDir = dir.path();
    env.locale = locale;
    const QDateTime fixed = now;
    env.clock = [fixed] { return fixed; };
    env.dialogs = dialogs;
    env.port = server->port();
    env.bounds = bounds;
    return env;
}

std::vector<std::string> Rig::takeLog() {
    auto log = server->log();
    server->clearLog();
    return log;
}

}  // namespace orvr::test
