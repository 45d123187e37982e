#include "app/environment.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

namespace orvr {

namespace {

void showBox(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
    QMessageBox box(icon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    // Texts carry instrument replies, file names and typed input: never let one of them be
    // taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace

void QtDialogs::information(QWidget* parent, const QString& text) {
    showBox(parent, QMessageBox::Information, text);
}

void QtDialogs::error(QWidget* parent, const QString& text) {
    showBox(parent, QMessageBox::Critical, text);
}

bool QtDialogs::inputAsync(QWidget* parent, const QString& title, const QString& prompt,
                           const QString& value, InputDone done) {
    auto* dialog = new QInputDialog(parent);
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setWindowTitle(title);
    dialog->setLabelText(prompt);
    dialog->setTextValue(value);
    QObject::connect(dialog, &QDialog::finished, dialog,
                     [dialog, done = std::move(done)](int result) {
                         const QStringList values{dialog->textValue()};
                         // Deleted only once the event loop is back, so the callback may
                         // itself open a dialog.
                         dialog->deleteLater();
                         if (done) {
                             done(result == QDialog::Accepted ? 1 : 0, values);
                         }
                     });
    dialog->open();
    return true;
}

Environment Environment::Real() {
    Environment env;
    env.exeDir = QCoreApplication::applicationDirPath();
    env.locale = QLocale::system();
    env.clock = [] { return QDateTime::currentDateTime(); };
    env.dialogs = std::make_shared<QtDialogs>();
    env.port = kOrvPort;
    env.bounds = Bounds{};
    return env;
}

}  // namespace orvr
