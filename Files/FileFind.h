#pragma once
// Walks one folder for the entries that match a pattern "folder/glob", where the glob matches
// names without regard to letter case and "*.*" matches every name, as recorders' export tools
// expect. Paths are wide text that keeps the file system's bytes (see NativeToWide).
#include <dirent.h>

#include <string>

class CKXFileFind {
public:
    // Throws std::runtime_error("Memory is not enough!") when it cannot allocate its buffers.
    CKXFileFind();
    ~CKXFileFind();
    CKXFileFind(const CKXFileFind&) = delete;
    CKXFileFind& operator=(const CKXFileFind&) = delete;

    // True when the folder can be read and holds a matching entry, which becomes current.
    bool FindFile(const std::wstring& pattern);
    // Moves to the next matching entry; false when there is none.
    bool FindNextFile();
    void Close();

    // The root, a "/" unless the root already ends in one, then the entry's name.
    std::wstring GetFilePath() const;
    std::wstring GetFileName() const { return m_name; }
    std::wstring GetFileTitle() const;  // the name without its extension
    std::wstring GetFileExt() const;  // the extension with its dot, or empty
    bool IsDirectory() const { return m_isDirectory; }
    // A named pipe, a device or a socket (or a link to one): never a recording, and not to be
    // opened (a pipe waits for a writer). Told by the folder's entry or by stat, never by opening.
    bool IsSpecialFile() const { return m_isSpecial; }
    bool IsDots() const { return m_name == L"." || m_name == L".."; }
    // Linux marks hidden entries by a leading dot; there are no system or temporary marks.
    bool IsHidden() const { return !m_name.empty() && m_name[0] == L'.'; }

private:
    bool Advance();

    DIR* m_dir = nullptr;
    std::wstring m_root;
    std::string m_rootNative;
    std::string m_glob;  // empty: every name
    std::wstring m_name;
    bool m_isDirectory = false;
    bool m_isSpecial = false;
};
