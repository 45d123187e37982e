// orv-sim: the instrument on a TCP port, for trying the program without the hardware.

#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/server.h"

namespace {

using orvr::sim::Fault;
using orvr::sim::Model;
using orvr::sim::Options;
using orvr::sim::Server;

constexpr const char* kUsage = R"(Usage: orv-sim [OPTION]...
Simulates the Orv measurement instrument: one request line per TCP connection.

  --listen ADDRESS:PORT  where to listen (default 127.0.0.1:49198; port 0 picks one)
  --version X.Y          firmware version in the VER reply (default 3.0)
  --busy-ms N            how long MEASURE keeps the instrument busy (default 2000;
                         -1: busy for ever)
  --points N             points per curve (default 1000, at most %d)
  --store DIR            directory FILESAVE writes to (default: the current one)
  --decimal C            decimal separator in curve values, "." or "," (default ".")
  --fault MODE[:COMMAND] misbehave on every request, or only on COMMAND (the exact
                         request text, e.g. "BUSY?;"); may be repeated. MODE is one of
                         refuse, silent, hang, nolf, close, reset, oversize, garbage,
                         delay:MS
  --help                 this text

Every request received is printed on its own line. SIGINT or SIGTERM ends the program.
)";

struct FaultArg {
    Fault fault;
    std::string request;
    int delayMs;
};

struct Args {
    Options options;
    std::string address = "127.0.0.1";
    uint16_t port = 49198;
    std::vector<FaultArg> faults;
};

bool ParseInt(std::string_view text, int& value) {
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size();
}

// "hang", "hang:BUSY?;", "delay:250", "delay:250:MODE?;".
std::optional<FaultArg> ParseFaultArg(const std::string& text) {
    std::size_t split = text.find(':');
    if (text.compare(0, 6, "delay:") == 0) {
        split = text.find(':', 6);
    }
    const std::string mode = text.substr(0, split);
    FaultArg f{Fault::None, split == std::string::npos ? "" : text.substr(split + 1), 0};
    if (!orvr::sim::ParseFault(mode, f.fault, f.delayMs)) {
        return std::nullopt;
    }
    return f;
}

// Returns an error text, or empty when the arguments are fine.
std::string Parse(int argc, char** argv, Args& a, bool& help) {
    for (int i = 1; i < argc; ++i) {
        std::string opt = argv[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = opt.find('='); opt.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = opt.substr(eq + 1);
            opt.resize(eq);
        }
        if (opt == "--help" || opt == "-h") {
            help = true;
            return {};
        }
        static constexpr std::string_view kValued[] = {
            "--listen", "--version", "--busy-ms", "--points", "--store", "--decimal", "--fault"};
        if (std::find(std::begin(kValued), std::end(kValued), opt) == std::end(kValued)) {
            return "unknown option '" + opt + "'";
        }
        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return opt + " needs a value";
        }
        int n = 0;
        if (opt == "--listen") {
            const auto colon = value.rfind(':');
            if (colon == std::string::npos || colon == 0 ||
                !ParseInt(std::string_view(value).substr(colon + 1), n) || n < 0 || n > 65535) {
                return "--listen wants ADDRESS:PORT, got '" + value + "'";
            }
            a.address = value.substr(0, colon);
            a.port = static_cast<uint16_t>(n);
        } else if (opt == "--version") {
            if (value.empty() || value.find_first_of("\r\n") != std::string::npos) {
                return "--version wants a version such as 3.0";
            }
            a.options.version = value;
        } else if (opt == "--busy-ms") {
            if (!ParseInt(value, n) || n < -1) {
                return "--busy-ms wants a number of milliseconds (or -1), got '" + value + "'";
            }
            a.options.busyMs = n;
        } else if (opt == "--points") {
            if (!ParseInt(value, n) || n < 1) {
                return "--points wants a positive number, got '" + value + "'";
            }
            if (n > Model::kMaxPoints) {
                std::cerr << "orv-sim: --points " << n << " lowered to " << Model::kMaxPoints
                          << ", the most a reply line can carry\n";
                n = Model::kMaxPoints;
            }
            a.options.points = n;
        } else if (opt == "--store") {
            struct stat st {};
            if (::stat(value.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
                return "--store: '" + value + "' is not a directory";
            }
            a.options.storeDir = value;
        } else if (opt == "--decimal") {
            if (value != "." && value != ",") {
                return "--decimal wants \".\" or \",\", got '" + value + "'";
            }
            a.options.decimalPoint = value[0];
        } else if (opt == "--fault") {
            const auto f = ParseFaultArg(value);
            if (!f) {
                return "--fault: unknown fault '" + value + "'";
            }
            a.faults.push_back(*f);
        }
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    Args args;
    bool help = false;
    if (const std::string error = Parse(argc, argv, args, help); !error.empty()) {
        std::cerr << "orv-sim: " << error << "\nTry 'orv-sim --help'.\n";
        return 2;
    }
    if (help) {
        std::printf(kUsage, Model::kMaxPoints);
        return 0;
    }

    // Blocked before the server's thread starts, so it inherits the mask and the
    // signals arrive only at sigwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    Server server(args.options);
    for (const FaultArg& f : args.faults) {
        server.setFault(f.fault, f.request, f.delayMs);
    }
    if (!server.listen(args.address, args.port)) {
        std::cerr << "orv-sim: cannot listen on " << args.address << ":" << args.port << "\n";
        return 1;
    }
    server.setEcho(true);
    std::cout << "orv-sim " << args.options.version << " listening on " << args.address << ":"
              << server.port() << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    std::cout << "orv-sim stopped" << std::endl;
    return 0;
}
