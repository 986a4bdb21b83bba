#include "Files/FileFind.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <new>
#include <stdexcept>

#include "Base/StreamConvert.h"

using KX_SOFT_BASE::NativeToWide;
using KX_SOFT_BASE::WideToNative;

CKXFileFind::CKXFileFind() {
    try {
        m_root.reserve(256);
        m_rootNative.reserve(256);
        m_name.reserve(256);
    } catch (const std::bad_alloc&) {
        throw std::runtime_error("Memory is not enough!");
    }
}

CKXFileFind::~CKXFileFind() { Close(); }

void CKXFileFind::Close() {
    if (m_dir) closedir(m_dir);
    m_dir = nullptr;
    m_name.clear();
    m_isDirectory = false;
    m_isSpecial = false;
}

bool CKXFileFind::FindFile(const std::wstring& pattern) {
    Close();
    const std::string native = WideToNative(pattern);
    const std::size_t slash = native.rfind('/');
    const std::string glob = slash == std::string::npos ? native : native.substr(slash + 1);
    m_rootNative = slash == std::string::npos ? std::string() : native.substr(0, slash + 1);
    m_root = NativeToWide(m_rootNative);
    m_glob = glob == "*.*" || glob == "*" ? std::string() : glob;
    m_dir = opendir(m_rootNative.empty() ? "." : m_rootNative.c_str());
    if (!m_dir) return false;
    return Advance();
}

bool CKXFileFind::FindNextFile() { return m_dir && Advance(); }

bool CKXFileFind::Advance() {
    while (dirent* entry = readdir(m_dir)) {
        if (!m_glob.empty() && fnmatch(m_glob.c_str(), entry->d_name, FNM_CASEFOLD) != 0) continue;
        bool isDirectory = entry->d_type == DT_DIR;
        bool isSpecial = entry->d_type == DT_FIFO || entry->d_type == DT_SOCK || entry->d_type == DT_CHR ||
                         entry->d_type == DT_BLK;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            // Follow links: a linked folder or recording counts as what it points to.
            struct stat st;
            const bool known = stat((m_rootNative + entry->d_name).c_str(), &st) == 0;
            isDirectory = known && S_ISDIR(st.st_mode);
            isSpecial = known && !isDirectory && !S_ISREG(st.st_mode);
        }
        m_name = NativeToWide(entry->d_name);
        m_isDirectory = isDirectory;
        m_isSpecial = isSpecial;
        return true;
    }
    Close();
    return false;
}

std::wstring CKXFileFind::GetFilePath() const {
    if (m_root.empty()) return m_name;
    return m_root.back() == L'/' ? m_root + m_name : m_root + L'/' + m_name;
}

std::wstring CKXFileFind::GetFileTitle() const {
    const std::size_t dot = m_name.rfind(L'.');
    return dot == std::wstring::npos ? m_name : m_name.substr(0, dot);
}

std::wstring CKXFileFind::GetFileExt() const {
    const std::size_t dot = m_name.rfind(L'.');
    return dot == std::wstring::npos ? std::wstring() : m_name.substr(dot);
}
