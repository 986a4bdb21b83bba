#pragma once
// Text and paths between the toolkit's wide strings and Qt's. Display text is Unicode; paths keep
// their bytes exactly, whatever they are (the file system does not promise UTF-8).
#include <QString>

#include <string>

namespace KXQt {

QString ToQString(const std::wstring& text);
std::wstring ToWString(const QString& text);
QString PathToQString(const std::wstring& path);
std::wstring PathFromQString(const QString& path);

}  // namespace KXQt
