#include "app/looks.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

namespace orvr {

namespace {

// The colours one look is made of. The key colours are fixed; the rest is chosen to sit
// with them.
struct Scheme {
    QRgb window;
    QRgb text;  // labels and speed buttons
    QRgb buttonFace;
    QRgb buttonOutline;
    QRgb buttonHover;
    QRgb buttonPressed;
    QRgb disabledFace;
    QRgb disabledOutline;
    QRgb disabledText;
    QRgb editFace;
    QRgb editOutline;
    QRgb editText;
    QRgb editDisabledFace;
    QRgb checkText;
    QRgb accent;
    QRgb selection;  // text selection in edit boxes
    QRgb selectedText;
    QRgb panelFace;
    QRgb panelOutline;
    QRgb statusFace;
    QRgb statusOutline;
    QRgb menuFace;
    QRgb menuOutline;
    QRgb menuText;
    QRgb menuHighlight;
    QRgb menuHighlightText;
    QRgb scrollTrack;
    QRgb scrollHandle;
    // Bevel shades of the base style (size grip, arrows, check marks).
    QRgb light;
    QRgb midlight;
    QRgb mid;
    QRgb dark;
    QRgb shadow;
};

constexpr Scheme kDark{
    .window = 0xFF505050,
    .text = 0xFFE0E0E0,
    .buttonFace = 0xFF5E5E5E,
    .buttonOutline = 0xFF404040,
    .buttonHover = 0xFF696969,
    .buttonPressed = 0xFF454545,
    .disabledFace = 0xFF565656,
    .disabledOutline = 0xFF484848,
    .disabledText = 0xFF8E8E8E,
    .editFace = 0xFF333333,
    .editOutline = 0xFF202020,
    .editText = 0xFFEAEAEA,
    .editDisabledFace = 0xFF464646,
    .checkText = 0xFFFFFFFF,
    .accent = 0xFFF69E2D,
    .selection = 0x70F69E2D,
    .selectedText = 0xFFFFFFFF,
    .panelFace = 0xFF484848,
    .panelOutline = 0xFF303030,
    .statusFace = 0xFF444444,
    .statusOutline = 0xFF222222,
    .menuFace = 0xFF3C3C3C,
    .menuOutline = 0xFF222222,
    .menuText = 0xFFE0E0E0,
    .menuHighlight = 0xFF936639,
    .menuHighlightText = 0xFFFFFFFF,
    .scrollTrack = 0xFF3A3A3A,
    .scrollHandle = 0xFF6E6E6E,
    .light = 0xFF6E6E6E,
    .midlight = 0xFF5E5E5E,
    .mid = 0xFF404040,
    .dark = 0xFF2C2C2C,
    .shadow = 0xFF1A1A1A,
};

constexpr Scheme kLight{
    .window = 0xFFF0F0F0,
    .text = 0xFF000000,
    .buttonFace = 0xFFFBFBFB,
    .buttonOutline = 0xFFD6D6D6,
    .buttonHover = 0xFFE6F7FC,
    .buttonPressed = 0xFFC9EEF9,
    .disabledFace = 0xFFF3F3F3,
    .disabledOutline = 0xFFE2E2E2,
    .disabledText = 0xFFA6A6A6,
    .editFace = 0xFFFFFFFF,
    .editOutline = 0xFFD5D5D5,
    .editText = 0xFF898989,
    .editDisabledFace = 0xFFF5F5F5,
    .checkText = 0xFF828282,
    .accent = 0xFF3DC9ED,
    .selection = 0x803DC9ED,
    .selectedText = 0xFF000000,
    .panelFace = 0xFFF7F7F7,
    .panelOutline = 0xFFD5D5D5,
    .statusFace = 0xFFF2F2F2,
    .statusOutline = 0xFFD5D5D5,
    .menuFace = 0xFFFFFFFF,
    .menuOutline = 0xFFD5D5D5,
    .menuText = 0xFF000000,
    .menuHighlight = 0xFF3DC9ED,
    .menuHighlightText = 0xFF000000,
    .scrollTrack = 0xFFEAEAEA,
    .scrollHandle = 0xFFC2C2C2,
    .light = 0xFFFFFFFF,
    .midlight = 0xFFF7F7F7,
    .mid = 0xFFD5D5D5,
    .dark = 0xFFA0A0A0,
    .shadow = 0xFF696969,
};

QString css(QRgb c) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(qRed(c))
        .arg(qGreen(c))
        .arg(qBlue(c))
        .arg(qAlpha(c));
}

// Every kind of control the window and its dialogs use. The lamps, frames and the chart
// are left out on purpose: they draw their own colours. The status text sits on a lamp
// whose colour changes, so it stays black.
const char* const kSheet = R"(
QMainWindow, QDialog, QMessageBox, QInputDialog { background-color: @window; }

QLabel { color: @text; background: transparent; }
QLabel:disabled { color: @disabledText; }
QLabel#lbstatus, QLabel#lbstatus:disabled { color: #000000; }

QPushButton, QToolButton {
    color: @text; background-color: @buttonFace;
    border: 1px solid @buttonOutline; border-radius: 3px; padding: 1px 2px;
}
QPushButton:hover, QToolButton:hover { background-color: @buttonHover; }
QPushButton:focus, QToolButton:focus { border-color: @accent; }
QPushButton:pressed, QToolButton:pressed, QToolButton:checked {
    background-color: @buttonPressed; border-color: @accent;
}
QPushButton:disabled, QToolButton:disabled {
    color: @disabledText; background-color: @disabledFace; border-color: @disabledOutline;
}
QDialog QPushButton { min-width: 72px; min-height: 22px; padding: 2px 10px; }

QCheckBox { color: @checkText; spacing: 5px; }
QCheckBox:disabled { color: @disabledText; }

QLineEdit {
    color: @editText; background-color: @editFace;
    border: 1px solid @editOutline; border-radius: 2px; padding: 0px 3px;
    selection-background-color: @selection; selection-color: @selectedText;
}
QLineEdit:focus { border-color: @accent; }
QLineEdit:disabled { color: @disabledText; background-color: @editDisabledFace; }

QComboBox {
    color: @editText; background-color: @editFace;
    border: 1px solid @editOutline; border-radius: 2px; padding: 0px 3px;
    selection-background-color: @selection; selection-color: @selectedText;
}
QComboBox:focus, QComboBox:on { border-color: @accent; }
QComboBox:disabled { color: @disabledText; background-color: @editDisabledFace; }
QComboBox::drop-down {
    subcontrol-origin: padding; subcontrol-position: center right; width: 14px; border: none;
}
QComboBox::down-arrow { image: none; }
QComboBox QAbstractItemView {
    color: @editText; background-color: @editFace; border: 1px solid @accent; outline: 0;
    selection-background-color: @accent; selection-color: @selectedText;
}

QWidget#paChartKanalAnAus {
    background-color: @panelFace; border: 1px solid @panelOutline; border-radius: 2px;
}

QStatusBar { color: @text; background-color: @statusFace; border-top: 1px solid @statusOutline; }
QStatusBar::item { border: none; }
QSizeGrip { width: 14px; height: 14px; }

QMenu { color: @menuText; background-color: @menuFace; border: 1px solid @menuOutline; padding: 2px; }
QMenu::item { padding: 4px 24px 4px 14px; background: transparent; }
QMenu::item:selected { color: @menuHighlightText; background-color: @menuHighlight; }
QMenu::item:disabled { color: @disabledText; }
QMenu::separator { height: 1px; background: @menuOutline; margin: 3px 6px; }

QScrollBar:vertical { background: @scrollTrack; width: 12px; margin: 0px; border: none; }
QScrollBar:horizontal { background: @scrollTrack; height: 12px; margin: 0px; border: none; }
QScrollBar::handle:vertical { background: @scrollHandle; min-height: 20px; margin: 2px; border-radius: 4px; }
QScrollBar::handle:horizontal { background: @scrollHandle; min-width: 20px; margin: 2px; border-radius: 4px; }
QScrollBar::handle:hover, QScrollBar::handle:pressed { background: @accent; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0px; height: 0px; border: none; background: none; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }

QToolTip { color: @menuText; background-color: @menuFace; border: 1px solid @menuOutline; }
)";

QString styleSheet(const Scheme& s) {
    // Longest names first, so no name is replaced inside a longer one.
    const std::vector<std::pair<const char*, QRgb>> names{
        {"@menuHighlightText", s.menuHighlightText},
        {"@editDisabledFace", s.editDisabledFace},
        {"@disabledOutline", s.disabledOutline},
        {"@menuHighlight", s.menuHighlight},
        {"@buttonOutline", s.buttonOutline},
        {"@buttonPressed", s.buttonPressed},
        {"@statusOutline", s.statusOutline},
        {"@scrollHandle", s.scrollHandle},
        {"@panelOutline", s.panelOutline},
        {"@disabledText", s.disabledText},
        {"@disabledFace", s.disabledFace},
        {"@selectedText", s.selectedText},
        {"@buttonHover", s.buttonHover},
        {"@scrollTrack", s.scrollTrack},
        {"@menuOutline", s.menuOutline},
        {"@editOutline", s.editOutline},
        {"@buttonFace", s.buttonFace},
        {"@statusFace", s.statusFace},
        {"@panelFace", s.panelFace},
        {"@selection", s.selection},
        {"@checkText", s.checkText},
        {"@editFace", s.editFace},
        {"@editText", s.editText},
        {"@menuFace", s.menuFace},
        {"@menuText", s.menuText},
        {"@window", s.window},
        {"@accent", s.accent},
        {"@text", s.text},
    };
    QString sheet = QString::fromLatin1(kSheet);
    for (const auto& [name, colour] : names) {
        sheet.replace(QLatin1String(name), css(colour));
    }
    return sheet;
}

QPalette palette(const Scheme& s) {
    QPalette p;
    const auto all = [&p](QPalette::ColorRole role, QRgb c) {
        p.setColor(QPalette::All, role, QColor::fromRgba(c));
    };
    all(QPalette::Window, s.window);
    all(QPalette::WindowText, s.text);
    all(QPalette::Base, s.editFace);
    all(QPalette::AlternateBase, s.panelFace);
    all(QPalette::Text, s.editText);
    all(QPalette::PlaceholderText, s.disabledText);
    all(QPalette::Button, s.buttonFace);
    all(QPalette::ButtonText, s.text);
    all(QPalette::BrightText, s.selectedText);
    all(QPalette::Highlight, s.accent);
    all(QPalette::HighlightedText, s.selectedText);
    all(QPalette::Link, s.accent);
    all(QPalette::LinkVisited, s.menuHighlight);
    all(QPalette::ToolTipBase, s.menuFace);
    all(QPalette::ToolTipText, s.menuText);
    all(QPalette::Light, s.light);
    all(QPalette::Midlight, s.midlight);
    all(QPalette::Mid, s.mid);
    all(QPalette::Dark, s.dark);
    all(QPalette::Shadow, s.shadow);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, QColor::fromRgba(s.disabledText));
    }
    p.setColor(QPalette::Disabled, QPalette::Base, QColor::fromRgba(s.editDisabledFace));
    p.setColor(QPalette::Disabled, QPalette::Button, QColor::fromRgba(s.disabledFace));
    return p;
}

}  // namespace

void ApplyLook(QWidget* window, Look look) {
    if (!window) {
        return;
    }
    const Scheme& s = look == Look::Dark ? kDark : kLight;
    // Widgets under a style sheet take the application's palette, never their parent's;
    // what the sheet leaves to the base style (check marks, arrows, the size grip) is drawn
    // from it, and the one window is all the application shows.
    QApplication::setPalette(palette(s));
    window->setStyleSheet(styleSheet(s));
}

}  // namespace orvr
