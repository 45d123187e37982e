#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace orvr {

// The errors that end a handler and reach the general error report. They carry the
// user-facing text exactly as it is shown (before the report's full-stop rule).
class Error : public std::exception {
  public:
    explicit Error(QString text) : text_(std::move(text)), utf8_(text_.toUtf8()) {}
    const QString& text() const noexcept { return text_; }
    const char* what() const noexcept override { return utf8_.constData(); }

  private:
    QString text_;
    QByteArray utf8_;
};

// A reply field or an input that is not a number.
class ConversionError : public Error {
  public:
    using Error::Error;
};

// A chart axis setting refused by the axis range rule.
class AxisError : public Error {
  public:
    using Error::Error;
};

// A file that cannot be written or read.
class IoError : public Error {
  public:
    using Error::Error;
};

}  // namespace orvr
