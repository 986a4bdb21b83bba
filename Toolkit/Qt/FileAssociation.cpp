#include "Toolkit/Qt/FileAssociation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include "Base/ReplaceFile.h"

namespace KXQt {

const char* const kDesktopEntryId = "tarvex-player.desktop";

namespace {

const QString kOwnTypePrefix = QStringLiteral("application/x-tarvex-");

QString Home(const char* variable, const char* fallback) {
    const QString value = qEnvironmentVariable(variable);
    // XDG ignores a relative value and falls back to the usual folder.
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) return value;
    return QDir::homePath() + "/" + fallback;
}
QString DataHome() { return Home("XDG_DATA_HOME", ".local/share"); }
QString ConfigHome() { return Home("XDG_CONFIG_HOME", ".config"); }

// "rvf" from ".RVF"; empty for what is no extension.
QString Bare(const QString& extension) {
    QString bare = extension.trimmed().toLower();
    if (bare.startsWith('.')) bare.remove(0, 1);
    for (QChar c : bare)
        if (!c.isLetterOrNumber() && c != '_' && c != '-') return QString();
    return bare;
}

QString PackagePath(const QString& bare) { return DataHome() + "/mime/packages/tarvex-" + bare + ".xml"; }
QString DesktopPath() { return DataHome() + "/applications/" + kDesktopEntryId; }
// The entry an installed copy brings, in the system's data folders; empty when there is none.
QString InstalledDesktopPath() {
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty()) dirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dirs.split(':', Qt::SkipEmptyParts)) {
        const QString path = dir + "/applications/" + kDesktopEntryId;
        if (QDir::isAbsolutePath(dir) && QFile::exists(path)) return path;
    }
    return QString();
}
QString MimeAppsPath() { return ConfigHome() + "/mimeapps.list"; }

QString ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool WriteText(const QString& path, const QString& text) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    const QByteArray bytes = text.toUtf8();
    return KX_SOFT_BASE::ReplaceFile(QFile::encodeName(path).toStdString(), {{bytes.constData(), static_cast<std::size_t>(bytes.size())}});
}

// A key file (desktop entry, mimeapps.list) as lines, so that what we do not touch stays as it is.
class CKeyFile {
public:
    explicit CKeyFile(const QString& text) { m_lines = text.split('\n'); if (!m_lines.isEmpty() && m_lines.back().isEmpty()) m_lines.removeLast(); }
    QString Text() const { return m_lines.join('\n') + '\n'; }

    QString Value(const QString& group, const QString& key) const {
        const int at = Find(group, key);
        return at < 0 ? QString() : m_lines[at].mid(m_lines[at].indexOf('=') + 1).trimmed();
    }
    void Set(const QString& group, const QString& key, const QString& value) {
        const QString line = key + "=" + value;
        const int at = Find(group, key);
        if (at >= 0) {
            m_lines[at] = line;
            return;
        }
        int header = m_lines.indexOf("[" + group + "]");
        if (header < 0) {
            if (!m_lines.isEmpty() && !m_lines.back().trimmed().isEmpty()) m_lines.append(QString());
            m_lines.append("[" + group + "]");
            m_lines.append(line);
            return;
        }
        int end = header + 1;
        while (end < m_lines.size() && !m_lines[end].trimmed().startsWith('[')) ++end;
        while (end > header + 1 && m_lines[end - 1].trimmed().isEmpty()) --end;
        m_lines.insert(end, line);
    }

private:
    int Find(const QString& group, const QString& key) const {
        bool inGroup = false;
        for (int i = 0; i < m_lines.size(); ++i) {
            const QString line = m_lines[i].trimmed();
            if (line.startsWith('[')) {
                inGroup = line == "[" + group + "]";
                continue;
            }
            if (inGroup && line.section('=', 0, 0).trimmed() == key && line.contains('=')) return i;
        }
        return -1;
    }
    QStringList m_lines;
};

QStringList SplitList(const QString& value) { return value.split(';', Qt::SkipEmptyParts); }

// An Exec argument, quoted the way desktop entries want it.
QString QuoteExec(const QString& program) {
    QString quoted;
    for (QChar c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    return "\"" + quoted + "\"";
}
// The key file's own escapes, applied over the quoting: a backslash is written twice.
QString EscapeValue(const QString& value) { return QString(value).replace("\\", "\\\\"); }
QString UnescapeValue(const QString& value) {
    QString plain;
    for (int i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const QChar next = value[++i];
            plain += next == 's' ? QChar(' ') : next == 'n' ? QChar('\n') : next == 't' ? QChar('\t') : next;
            continue;
        }
        plain += value[i];
    }
    return plain;
}
QString UnquoteExec(const QString& exec) {
    if (!exec.startsWith('"')) {
        // A bare name is looked for on the PATH, as the desktop does.
        const QString name = exec.section(' ', 0, 0);
        const QString found = name.contains('/') ? QString() : QStandardPaths::findExecutable(name);
        return found.isEmpty() ? name : found;
    }
    QString program;
    for (int i = 1; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == '"') break;
        if (c == '\\' && i + 1 < exec.size()) {
            program += exec[++i];
            continue;
        }
        program += c;
        if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') ++i;
    }
    return program;
}

// The same program, through links (/bin and /usr/bin) where both exist.
bool SamePath(const QString& a, const QString& b) {
    const QFileInfo x(a), y(b);
    if (x.exists() && y.exists()) return x.canonicalFilePath() == y.canonicalFilePath();
    return x.absoluteFilePath() == y.absoluteFilePath();
}

// The desktop entry starts this program.
bool Starts(const CKeyFile& entry, const QString& program) {
    return SamePath(UnquoteExec(UnescapeValue(entry.Value("Desktop Entry", "Exec"))), program);
}
bool EntryStarts(const QString& path, const QString& program) { return Starts(CKeyFile(ReadText(path)), program); }
bool Lists(const CKeyFile& entry, const QString& mime) {
    return SplitList(entry.Value("Desktop Entry", "MimeType")).contains(mime);
}

// The type is known to the desktop: our package for it, the user's or an installed one.
bool OwnTypeKnown(const QString& bare, const QString& mime) {
    return QFile::exists(PackagePath(bare)) || QMimeDatabase().mimeTypeForName(mime).isValid();
}

// A type that is not a recording's on this desktop (".ps" is PostScript here, before it is an
// MPEG program stream): the player is offered in "Open With", never made the documents' default.
bool OnlyOffered(const QString& mime) {
    return !mime.startsWith(kOwnTypePrefix) && !mime.startsWith("video/") && !mime.startsWith("audio/");
}

// The user's own entry, naming this copy of the program for the type besides those it has.
bool WriteDesktopEntry(const QString& mime, const QString& program) {
    CKeyFile entry(ReadText(DesktopPath()));
    QStringList types = SplitList(entry.Value("Desktop Entry", "MimeType"));
    if (!types.contains(mime)) types.append(mime);
    entry.Set("Desktop Entry", "Type", "Application");
    entry.Set("Desktop Entry", "Name", "Tarvex Player");
    entry.Set("Desktop Entry", "Exec", EscapeValue(QuoteExec(QFileInfo(program).absoluteFilePath())) + " %f");
    entry.Set("Desktop Entry", "Terminal", "false");
    entry.Set("Desktop Entry", "Categories", "AudioVideo;Video;Player;");
    entry.Set("Desktop Entry", "MimeType", types.join(';') + ';');
    const QString icon = QFileInfo(program).absolutePath() + "/Skin/Tarvex.png";
    if (QFile::exists(icon)) entry.Set("Desktop Entry", "Icon", icon);
    return WriteText(DesktopPath(), entry.Text());
}

}  // namespace

QString MimeTypeForExtension(const QString& extension) {
    const QString bare = Bare(extension);
    if (bare.isEmpty()) return QString();
    const QMimeType known = QMimeDatabase().mimeTypeForFile("file." + bare, QMimeDatabase::MatchExtension);
    if (known.isValid() && !known.isDefault() && !known.name().startsWith(kOwnTypePrefix)) return known.name();
    return kOwnTypePrefix + bare;
}

bool IsAssociated(const QString& extension, const QString& program) {
    const QString mime = MimeTypeForExtension(extension);
    if (mime.isEmpty()) return false;
    if (mime.startsWith(kOwnTypePrefix) && !OwnTypeKnown(Bare(extension), mime)) return false;
    // The user's entry hides an installed one of the same name.
    const QString entry = QFile::exists(DesktopPath()) ? DesktopPath() : InstalledDesktopPath();
    if (entry.isEmpty()) return false;
    const CKeyFile desktop(ReadText(entry));
    if (!Starts(desktop, program)) return false;
    const CKeyFile apps(ReadText(MimeAppsPath()));
    // A type the entry does not list is the player's through the user's added associations.
    const bool added = SplitList(apps.Value("Added Associations", mime)).contains(kDesktopEntryId);
    if (!Lists(desktop, mime) && !added) return false;
    if (OnlyOffered(mime)) return added;
    const QStringList defaults = SplitList(apps.Value("Default Applications", mime));
    return !defaults.isEmpty() && defaults.front() == kDesktopEntryId;
}

bool Associate(const QString& extension, const QString& program, bool refresh) {
    const QString bare = Bare(extension);
    const QString mime = MimeTypeForExtension(extension);
    if (mime.isEmpty() || program.isEmpty()) return false;

    // An installed copy brings its entry and types: the user's associations are all that is
    // missing, and they name the entry for any type it does not list itself.
    const QString installed = InstalledDesktopPath();
    const bool useInstalled = !QFile::exists(DesktopPath()) && !installed.isEmpty() && EntryStarts(installed, program) &&
                              (!mime.startsWith(kOwnTypePrefix) || OwnTypeKnown(bare, mime));

    if (mime.startsWith(kOwnTypePrefix) && !useInstalled) {
        const QString package = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"%1\">\n"
            "    <comment>Tarvex Player recording (.%2)</comment>\n"
            "    <glob pattern=\"*.%2\"/>\n"
            "  </mime-type>\n"
            "</mime-info>\n").arg(mime, bare);
        if (!WriteText(PackagePath(bare), package)) return false;
    }

    if (!useInstalled && !WriteDesktopEntry(mime, program)) return false;

    CKeyFile apps(ReadText(MimeAppsPath()));
    if (!OnlyOffered(mime)) apps.Set("Default Applications", mime, kDesktopEntryId);
    QStringList added = SplitList(apps.Value("Added Associations", mime));
    added.removeAll(kDesktopEntryId);
    added.prepend(kDesktopEntryId);
    apps.Set("Added Associations", mime, added.join(';') + ';');
    if (!WriteText(MimeAppsPath(), apps.Text())) return false;

    if (refresh && !useInstalled) {
        // The desktop reads new types and entries from its caches; rebuild them where it can.
        const QString mimeTool = QStandardPaths::findExecutable("update-mime-database");
        if (!mimeTool.isEmpty()) QProcess::startDetached(mimeTool, {DataHome() + "/mime"});
        const QString desktopTool = QStandardPaths::findExecutable("update-desktop-database");
        if (!desktopTool.isEmpty()) QProcess::startDetached(desktopTool, {DataHome() + "/applications"});
    }
    return true;
}

}  // namespace KXQt
