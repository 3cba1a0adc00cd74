#pragma once

#include <QString>

namespace corvina {

// Settings hold Windows-style paths ("C:\eTax@SH WSKP" + "\Data\DB_KP.mdb"); this turns such a
// text into the platform's own form. On POSIX every "\" becomes "/" (doubled separators are
// harmless there); on Windows the text is used as it is.
QString nativePath(const QString& windowsStyle);

} // namespace corvina
