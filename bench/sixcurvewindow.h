// The window benchmarks' rig: the shown window against the in-process simulator holding
// six curves at the longest line a reply may carry.
#pragma once

#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/mainwindow.h"
#include "bench/benchsupport.h"
#include "chart/chartview.h"
#include "link/commands.h"
#include "link/switchtimer.h"
#include "sim/model.h"
#include "sim/server.h"

namespace orvr::bench {

// Never blocks; an error box during the run spoils the figure, so it is kept.
class QuietDialogs : public Dialogs {
  public:
    void information(QWidget*, const QString& text) override { shown.push_back(text); }
    void error(QWidget*, const QString& text) override { shown.push_back(text); }
    bool inputAsync(QWidget*, const QString&, const QString&, const QString&, InputDone) override {
        return false;
    }
    QStringList shown;
};

// "%.*f" narrowed until it fits exactly `width` characters (rounding may add a digit).
inline std::string Fixed(double v, int width, int decimals) {
    char text[32];
    for (int d = decimals; d >= 0; --d) {
        const int n = std::snprintf(text, sizeof text, "%.*f", d, v);
        if (n <= width) {
            return std::string(text) + std::string(static_cast<std::size_t>(width - n), '0');
        }
    }
    return text;
}

// kMaxPoints points of the widest form a point may take (an X of 7 characters, a Y of
// 12, two separators), log-spaced over 1 Hz .. 99999 Hz: the longest curve line.
inline std::string FullLengthLine(int channel) {
    std::string line;
    const int n = sim::Model::kMaxPoints;
    line.reserve(static_cast<std::size_t>(n) * 21);
    for (int i = 0; i < n; ++i) {
        const double x = std::min(99999.0, std::pow(10.0, 5.0 * i / (n - 1)));
        const int digits = static_cast<int>(std::floor(std::log10(x))) + 1;
        line += Fixed(x, 7, 6 - digits);
        line += ';';
        const double y = -55 + 40 * std::sin(i * 0.003 + channel) - 3 * channel;
        line += Fixed(y, 12, std::fabs(y) >= 10 ? 8 : 9);
        line += ';';
    }
    return line;
}

// The shown window, its poll timers out of the way, against a simulator that has measured
// all six channels (so the chart details name six units) and answers each MEAS with a
// full-length line.
struct SixCurveWindow {
    QTemporaryDir dir;
    QTemporaryDir store;
    std::shared_ptr<QuietDialogs> dialogs = std::make_shared<QuietDialogs>();
    std::unique_ptr<sim::Server> server;
    std::unique_ptr<TForm1> form;
    std::vector<int> replyBytes;  // per MEAS, then CHARTDETAILS; line end excluded

    SixCurveWindow() {
        sim::Options options;
        options.busyMs = 0;
        options.points = sim::Model::kMaxPoints;
        options.storeDir = store.path().toStdString();
        server = std::make_unique<sim::Server>(options);
        server->listen("127.0.0.1", 0);
        sim::Model& model = server->model();
        const char* modes[] = {"AMPLA;", "AMPLE;", "Z;", "FFT;", "AMPLA;", "AMPLE;"};
        for (int channel = 1; channel <= kSeriesCount; ++channel) {
            model.respond(modes[channel - 1]);
            model.respond(cmd::Channel(channel).toStdString());
            model.respond(cmd::Measure().toStdString());
            const std::string line = FullLengthLine(channel);
            replyBytes.push_back(static_cast<int>(line.size()));
            server->setOverride(cmd::Meas(channel).toStdString(), line + "\r\n");
        }
        replyBytes.push_back(static_cast<int>(model.chartDetailsLine().size()));

        Environment env;
        env.exeDir = dir.path();
        env.locale = QLocale(QLocale::English, QLocale::UnitedStates);
        env.clock = [] { return QDateTime(QDate(2025, 12, 9), QTime(14, 3, 27)); };
        env.dialogs = dialogs;
        env.port = server->port();
        form = std::make_unique<TForm1>(env);
        // No poll tick may land inside a measured click.
        form->TimerBusy->setInterval(3600 * 1000);
        form->Timer1->setInterval(3600 * 1000);
        form->Create();
        form->show();
        QCoreApplication::processEvents();
    }

    // Six full curves in the chart and no error box on the way.
    bool full() const {
        for (int i = 0; i < kSeriesCount; ++i) {
            if (form->chart().series(i).points.size() !=
                static_cast<std::size_t>(sim::Model::kMaxPoints)) {
                return false;
            }
        }
        return dialogs->shown.isEmpty();
    }
};

}  // namespace orvr::bench
