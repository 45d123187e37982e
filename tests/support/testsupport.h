#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "app/environment.h"
#include "sim/server.h"

namespace orvr::test {

// Dialogs that record what would be shown and never block. Input dialogs are kept so
// a test can answer them.
class RecordingDialogs : public Dialogs {
  public:
    struct Input {
        QString title;
        QString prompt;
        QString value;
        InputDone done;
    };
    void information(QWidget*, const QString& text) override { infos.push_back(text); }
    void error(QWidget*, const QString& text) override { errors.push_back(text); }
    bool inputAsync(QWidget*, const QString& title, const QString& prompt, const QString& value,
                    InputDone done) override {
        if (!inputService) {
            return false;
        }
        inputs.push_back({title, prompt, value, std::move(done)});
        return true;
    }
    QStringList infos;
    QStringList errors;
    std::vector<Input> inputs;
    bool inputService = true;
};

// A temporary directory beside a fake executable, the in-process simulator on an
// ephemeral loopback port, recording dialogs, a fixed clock and locale.
struct Rig {
    explicit Rig(sim::Options options = quickOptions());
    static sim::Options quickOptions();  // busyMs 0, few points, store in a temp dir

    Environment environment() const;
    QString dirPath() const { return dir.path(); }
    QString filePath(const QString& name) const { return dir.filePath(name); }
    std::vector<std::string> takeLog();  // the log so far, then cleared

    QTemporaryDir dir;
    QTemporaryDir store;
    std::shared_ptr<RecordingDialogs> dialogs = std::make_shared<RecordingDialogs>();
    std::unique_ptr<sim::Server> server;
    QLocale locale{QLocale::English, QLocale::UnitedStates};
    QDateTime now{QDate(2025, 12, 9), QTime(14, 3, 27)};
    Bounds bounds{1000, 2000, 50, 256000};  // the no-data wait shortened for tests
};

}  // namespace orvr::test
