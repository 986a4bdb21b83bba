#pragma once
// The desktop's file-type association, the freedesktop way, per user: a MIME type for the
// extension (the desktop's own when it knows one, ours otherwise, declared under
// $XDG_DATA_HOME/mime/packages), the program's entry under $XDG_DATA_HOME/applications, and the
// default set in $XDG_CONFIG_HOME/mimeapps.list. The query reads the same files.
#include <QString>

namespace KXQt {

// Program's desktop entry id.
extern const char* const kDesktopEntryId;

// The MIME type that files with the extension (".rvf" or "rvf") have for the desktop.
QString MimeTypeForExtension(const QString& extension);
// True when the extension opens with `program` (an executable path) by default.
bool IsAssociated(const QString& extension, const QString& program);
// Makes `program` the default; `refresh` asks the desktop to rebuild its databases afterwards.
// False when a file could not be written; what was there before is then unchanged.
bool Associate(const QString& extension, const QString& program, bool refresh);

}  // namespace KXQt
