// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/qt_keys.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <string_view>

namespace qx {

namespace {

// The digit-row key under a shifted symbol of a US keyboard: Windows names the
// key ('4'), Qt names the symbol (Key_Dollar).
int digitRowKey(int qtKey) {
  constexpr std::string_view kShifted = ")!@#$%^&*(";
  if (qtKey <= 0 || qtKey >= 0x80) return 0;
  const auto at = kShifted.find(static_cast<char>(qtKey));
  return at == std::string_view::npos ? 0 : '0' + static_cast<int>(at);
}

}  // namespace

int virtualKey(const QKeyEvent& e) {
  const int k = e.key();
  if (k >= Qt::Key_0 && k <= Qt::Key_9) {
    if (e.modifiers() & Qt::KeypadModifier) return 96 + (k - Qt::Key_0);  // VK_NUMPAD0..9
    return k;  // '0'..'9'
  }
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return k;  // 'A'..'Z', whatever the case
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return 112 + (k - Qt::Key_F1);
  switch (k) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Pause: return 19;
    case Qt::Key_CapsLock: return 20;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: break;
  }
  // Under X the scan code tells the digit row whatever the layout (an AZERTY
  // keyboard types '&' on the '1' key), which is how Windows names those keys.
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    const quint32 code = e.nativeScanCode();
    if (code >= 10 && code <= 18) return '1' + static_cast<int>(code - 10);
    if (code == 19) return '0';
  }
  return digitRowKey(k);
}

std::vector<unsigned> typedChars(const QKeyEvent& e) {
  std::vector<unsigned> out;
  // Ctrl+letter types its control character, as on Windows, whatever text
  // the host puts in the event (AltGr, Ctrl+Alt there, types a letter).
  const Qt::KeyboardModifiers mods = e.modifiers();
  if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && e.key() >= Qt::Key_A && e.key() <= Qt::Key_Z) {
    out.push_back(static_cast<unsigned>(e.key() - Qt::Key_A + 1));
    return out;
  }
  for (const QChar c : e.text()) {
    const unsigned u = c.unicode();
    // Delete types nothing on Windows; Latin-1 above the C1 controls matches
    // the Windows code page for letters such as 'é'.
    if (u < 0x7F || (u >= 0xA0 && u <= 0xFF)) out.push_back(u);
  }
  return out;
}

}  // namespace qx
