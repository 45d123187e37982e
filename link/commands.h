#pragma once

#include <QString>
#include <cstdint>

// Every request the program sends is built here; nothing else pastes request text.
namespace orvr::cmd {

QString Busy();                         // "BUSY?;"
QString Mode();                         // "MODE?;"
QString Ver();                          // "VER?;"
QString FPreset();                      // "FPRESET?;"
QString ChartDetails();                 // "CHARTDETAILS?;"
QString Meas(int32_t channel);          // "MEAS;" n ";"
QString Channel(int32_t channel);       // "CHANNEL;" n ";"
QString Measure();                      // "MEASURE;"
QString Ampla();                        // "AMPLA;"
QString Ample();                        // "AMPLE;"
QString Fft();                          // "FFT;"
QString Z();                            // "Z;"
QString XyModeA();                      // "XY_MODE;A;"
QString XyModeI();                      // "XY_MODE;I;"
QString Fpr(int32_t preset);            // "FPR;" n ";"
QString Fmin(int32_t hz);               // "FMIN;" n ";"
QString Fmax(int32_t hz);               // "FMAX;" n ";"
QString FileSave(const QString& name);  // "FILESAVE;" name ";"

}  // namespace orvr::cmd
