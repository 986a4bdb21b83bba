#include "Toolkit/Qt/Text.h"

#include <QFile>

#include "Base/StreamConvert.h"

namespace KXQt {

QString ToQString(const std::wstring& text) { return QString::fromStdWString(text); }

std::wstring ToWString(const QString& text) { return text.toStdWString(); }

QString PathToQString(const std::wstring& path) {
    return QFile::decodeName(QByteArray::fromStdString(KX_SOFT_BASE::WideToNative(path)));
}

std::wstring PathFromQString(const QString& path) {
    return KX_SOFT_BASE::NativeToWide(QFile::encodeName(path).toStdString());
}

}  // namespace KXQt
