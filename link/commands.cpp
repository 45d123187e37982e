#include "link/commands.h"

#include "link/fields.h"

namespace orvr::cmd {

namespace {

QString WithNumber(const char* word, int32_t n) {
    return QLatin1String(word) + u';' + Decimal(n) + u';';
}

}  // namespace

QString Busy() {
    return QStringLiteral("BUSY?;");
}
QString Mode() {
    return QStringLiteral("MODE?;");
}
QString Ver() {
    return QStringLiteral("VER?;");
}
QString FPreset() {
    return QStringLiteral("FPRESET?;");
}
QString ChartDetails() {
    return QStringLiteral("CHARTDETAILS?;");
}
QString Meas(int32_t channel) {
    return WithNumber("MEAS", channel);
}
QString Channel(int32_t channel) {
    return WithNumber("CHANNEL", channel);
}
QString Measure() {
    return QStringLiteral("MEASURE;");
}
QString Ampla() {
    return QStringLiteral("AMPLA;");
}
QString Ample() {
    return QStringLiteral("AMPLE;");
}
QString Fft() {
    return QStringLiteral("FFT;");
}
QString Z() {
    return QStringLiteral("Z;");
}
QString XyModeA() {
    return QStringLiteral("XY_MODE;A;");
}
QString XyModeI() {
    return QStringLiteral("XY_MODE;I;");
}
QString Fpr(int32_t preset) {
    return WithNumber("FPR", preset);
}
QString Fmin(int32_t hz) {
    return WithNumber("FMIN", hz);
}
QString Fmax(int32_t hz) {
    return WithNumber("FMAX", hz);
}
// The name goes out unchanged: a ";" in it splits the field on the wire, and the
// exchange turns anything outside ASCII into "?".
QString FileSave(const QString& name) {
    return QStringLiteral("FILESAVE;") + name + u';';
}

}  // namespace orvr::cmd
