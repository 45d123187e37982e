// A settings file that cannot be written, met by each handler that saves: the previous
// file survives untouched, the error box names the file, and only what the handler had
// changed before its save stays changed.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <cstring>

#include "link/switchtimer.h"
#include "support/filesizelimit.h"
#include "support/formrig.h"

using namespace orvr;
using namespace orvr::test;

namespace {

enum class SaveFault {
    Directory,  // a directory stands where the file should be
    Immutable,  // the directory takes no new entries, not even from root
    DiskFull,   // the file-size limit cuts the new file short
};

enum class Handler { ToggleStyle, SetIp, Close };

const QByteArray kPrevious =
    "[System]\r\nIP=127.0.0.1\r\nleft=1\r\ntop=1\r\nwidth=650\r\nheight=350\r\nStyle=0\r\n"
    "[Mine]\r\nnote=" +
    QByteArray(300, 'n') + "\r\n";

// Far below the size of any file the save writes.
constexpr rlim_t kFileSizeLimit = 128;

// The immutable flag on a directory, taken off again however the test ends.
class ImmutableDir {
  public:
    explicit ImmutableDir(const QString& path) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        int flags = 0;
        if (::ioctl(fd_, FS_IOC_GETFLAGS, &flags) != 0) {
            error_ = errno;
            return;
        }
        flags |= FS_IMMUTABLE_FL;
        if (::ioctl(fd_, FS_IOC_SETFLAGS, &flags) != 0) {
            error_ = errno;
            return;
        }
        set_ = true;
    }
    ~ImmutableDir() { lift(); }
    ImmutableDir(const ImmutableDir&) = delete;
    ImmutableDir& operator=(const ImmutableDir&) = delete;

    bool set() const { return set_; }
    QString why() const { return QString::fromLocal8Bit(std::strerror(error_)); }
    void lift() {
        if (set_) {
            int flags = 0;
            if (::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
            }
            set_ = false;
        }
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_ = -1;
    int error_ = 0;
    bool set_ = false;
};

void runHandler(TForm1& form, Handler handler) {
    switch (handler) {
        case Handler::ToggleStyle:
            form.popStyleClick();
            break;
        case Handler::SetIp:
            form.sbSetIPClick();
            break;
        case Handler::Close:
            form.close();
            break;
    }
}

}  // namespace

Q_DECLARE_METATYPE(SaveFault)
Q_DECLARE_METATYPE(Handler)

class WindowSettingsFail : public QObject {
    Q_OBJECT
  private slots:
    void failedSave_data();
    void failedSave();
};

void WindowSettingsFail::failedSave_data() {
    QTest::addColumn<SaveFault>("failure");
    QTest::addColumn<Handler>("handler");
    const std::pair<SaveFault, const char*> failures[] = {{SaveFault::Directory, "directory"},
                                                          {SaveFault::Immutable, "immutable dir"},
                                                          {SaveFault::DiskFull, "disk full"}};
    const std::pair<Handler, const char*> handlers[] = {{Handler::ToggleStyle, "toggle style"},
                                                        {Handler::SetIp, "set ip"},
                                                        {Handler::Close, "close"}};
    for (const auto& [failure, fname] : failures) {
        for (const auto& [handler, hname] : handlers) {
            QTest::newRow((QByteArray(fname) + " / " + hname).constData()) << failure << handler;
        }
    }
}

void WindowSettingsFail::failedSave() {
    QFETCH(SaveFault, failure);
    QFETCH(Handler, handler);

    Rig rig;
    const QString path = rig.filePath(QStringLiteral("OrvR.ini"));
    if (failure == SaveFault::Directory) {
        QVERIFY(QDir(rig.dirPath()).mkpath(QStringLiteral("OrvR.ini/inside")));
    } else {
        writeFile(path, kPrevious);
        QCOMPARE(readFile(path), kPrevious);
    }
    auto form = makeForm(rig);
    form->Create();
    form->show();
    QVERIFY(rig.dialogs->infos.isEmpty());
    QVERIFY(rig.dialogs->errors.isEmpty());
    QCOMPARE(form->currentLook(), Look::Dark);
    const QString hostBefore = form->client().host;
    const QStringList entriesBefore =
        QDir(rig.dirPath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    // Set IP must not reach its probe: the address it would use is no address at all, and
    // the poll and status it would switch are set apart from what it would make them.
    form->edipOrv->clear();
    form->TimerBusy->setEnabled(false);
    rig.takeLog();

    {
        std::unique_ptr<ImmutableDir> immutable;
        std::unique_ptr<FileSizeLimit> limit;
        if (failure == SaveFault::Immutable) {
            immutable = std::make_unique<ImmutableDir>(rig.dirPath());
            if (!immutable->set()) {
                QSKIP(qPrintable(QStringLiteral("the directory cannot be made immutable here: ") +
                                 immutable->why()));
            }
        }
        if (failure == SaveFault::DiskFull) {
            limit = std::make_unique<FileSizeLimit>(kFileSizeLimit);
            QVERIFY2(limit->set(), "the file-size limit cannot be set");
        }
        runHandler(*form, handler);
        // Lifted before any check can end the test.
        if (limit) {
            limit->lift();
        }
        if (immutable) {
            immutable->lift();
        }
    }

    QCOMPARE(rig.dialogs->errors,
             QStringList{QStringLiteral("Unable to write to ") + path + QStringLiteral(".")});
    QVERIFY(rig.dialogs->infos.isEmpty());
    if (failure == SaveFault::Directory) {
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
    } else {
        QCOMPARE(readFile(path), kPrevious);
    }
    // No half-written file left beside it.
    QCOMPARE(QDir(rig.dirPath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             entriesBefore);

    switch (handler) {
        case Handler::ToggleStyle:
            // The look was switched before the save and stays switched.
            QCOMPARE(form->currentLook(), Look::Light);
            QCOMPARE(form->settings().bStyle, uint8_t(1));
            break;
        case Handler::SetIp:
            // The record holds the new address; the client and the probe never saw it.
            QCOMPARE(form->settings().stIPAdress, QString());
            QCOMPARE(form->client().host, hostBefore);
            QVERIFY(rig.takeLog().empty());
            QVERIFY(!form->TimerBusy->enabled());
            QCOMPARE(form->lbstatus->text(), QStringLiteral("?"));
            QCOMPARE(form->currentLook(), Look::Dark);
            break;
        case Handler::Close:
            // Reported, but the user still gets to quit.
            QVERIFY(!form->isVisible());
            QCOMPARE(form->settings().stIPAdress, QStringLiteral("127.0.0.1"));
            QCOMPARE(form->currentLook(), Look::Dark);
            break;
    }

    // Once the file can be written again the next save goes through in full.
    if (failure == SaveFault::Directory) {
        QVERIFY(QDir(path).removeRecursively());
    }
    form->FormClose();
    QCOMPARE(rig.dialogs->errors.size(), 1);
    const QByteArray written = readFile(path);
    QVERIFY(written.contains("\r\nIP=" + form->settings().stIPAdress.toLatin1() + "\r\n"));
    QVERIFY(written.contains("\r\nStyle=" + QByteArray::number(form->settings().bStyle) + "\r\n"));
    if (failure != SaveFault::Directory) {
        QVERIFY(written.contains("[Mine]\r\nnote=" + QByteArray(300, 'n') + "\r\n"));
    }
}

QTEST_MAIN(WindowSettingsFail)
#include "tst_window_settingsfail.moc"
