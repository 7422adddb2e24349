// The pictures built into the program, by resource number (PNG): 10003 the error icon (a red stop hand),
// 10004 the warning icon (a yellow warning triangle), 10005 the note icon. They are drawn when the program is
// built.
#pragma once

#include <QPixmap>

namespace quillery {

inline constexpr int kErrorIconPicture = 10003;
inline constexpr int kWarningIconPicture = 10004;
inline constexpr int kNoteIconPicture = 10005;

// The picture, or a null pixmap when the program has no such resource.
QPixmap programPicture(int number);

} // namespace quillery
