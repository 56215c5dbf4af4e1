// CCustomView: saving, listing, applying, renaming and deleting custom views.
#include "items/c_custom_view.h"

#include <algorithm>
#include <memory>

#include "foundation/ce_file.h"
#include "foundation/ce_string.h"
#include "foundation/ce_worker_thread.h"
#include "foundation/file_name_text.h"
#include "items/c_task_settings.h"
#include "items/custom_view_file.h"
#include "platform/files/files.h"
#include "platform/files/find_files.h"
#include "platform/locale/compare_string.h"
#include "platform/text/wide_string.h"
#include "platform/ui/ui_host.h"
#include "storage/c_registry.h"
#include "storage/corvid_directory.h"

namespace {

constexpr const WCHAR* kRootFormat = u"%s\\Corvid\\CustomViews";
constexpr const WCHAR* kSuiteKey = u"Software\\Corvid\\Kestrel";
constexpr UINT kReplaceViewString = 42378;
constexpr int kLastTab = 999;

std::u16string TabExtension(int tab)
{
    std::u16string text = u".000";
    text[1] = static_cast<char16_t>(u'0' + tab / 100);
    text[2] = static_cast<char16_t>(u'0' + tab / 10 % 10);
    text[3] = static_cast<char16_t>(u'0' + tab % 10);
    return text;
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }

// The name as a clean relative path: parts split at either slash, each
// trimmed and cleaned of characters a file name cannot hold; empty when a
// part is empty, "." or "..".
std::u16string CleanName(std::u16string_view name)
{
    std::u16string clean;
    size_t begin = 0;
    while (begin <= name.size()) {
        size_t end = name.find_first_of(u"\\/", begin);
        if (end == std::u16string_view::npos) end = name.size();
        std::u16string_view part = name.substr(begin, end - begin);
        while (!part.empty() && IsSpace(part.front())) part.remove_prefix(1);
        while (!part.empty() && IsSpace(part.back())) part.remove_suffix(1);
        if (part.empty() || part == u"." || part == u"..") return u"";
        std::u16string cleaned(part);
        const int length = FilenameContrabandCleaner(cleaned.data(), 0);
        cleaned.resize(static_cast<size_t>(std::max(length, 0)));
        if (cleaned.empty()) return u"";
        if (!clean.empty()) clean += u'\\';
        clean += cleaned;
        begin = end + 1;
    }
    return clean;
}

// The view file of name of tab in folder; empty for a name that is not a
// clean relative path or a tab outside 0..999.
std::u16string ViewIn(const std::u16string& folder, std::u16string_view name, int tab)
{
    const std::u16string clean = CleanName(name);
    if (clean.empty() || tab < 0 || tab > kLastTab) return u"";
    return folder + u"\\" + clean + TabExtension(tab);
}

bool IsFile(const std::u16string& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::u16string SectionPrefix(const WCHAR* key)
{
    WCHAR name[600] = {};
    CRegistry::SectionName(HKEY_CURRENT_USER, key, name, 600);
    return name;
}

// Reads the folder's views of tab into node, recursively; the views found.
int ReadPath(const std::u16string& folder, int tab, CustomViewTree& node, bool includeEmpty)
{
    WIN32_FIND_DATAW found{};
    const platform::FindHandle find(FindFirstFileW((folder + u"\\*.*").c_str(), &found));
    if (!find.Valid()) return 0;
    const std::u16string extension = TabExtension(tab);
    int count = 0;
    do {
        const std::u16string name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            CustomViewTree child;
            child.name = name;
            child.tab = tab;
            const int inside = ReadPath(folder + u"\\" + name, tab, child, includeEmpty);
            if (inside > 0 || includeEmpty) node.folders.push_back(std::move(child));
            count += inside;
        } else if (name.size() > 4 && name.compare(name.size() - 4, 4, extension) == 0) {
            node.views.push_back({name.substr(0, name.size() - 4), tab});
            ++count;
        }
    } while (FindNextFileW(find.Get(), &found));
    return count;
}

void SortTree(CustomViewTree& node)
{
    std::sort(node.folders.begin(), node.folders.end(),
              [](const CustomViewTree& a, const CustomViewTree& b) { return lstrcmpiW(a.name.c_str(), b.name.c_str()) < 0; });
    std::sort(node.views.begin(), node.views.end(), [](const CustomViewTree::View& a, const CustomViewTree::View& b) {
        return lstrcmpiW(a.name.c_str(), b.name.c_str()) < 0;
    });
    for (CustomViewTree& folder : node.folders) SortTree(folder);
}

void LinkParents(CustomViewTree& node)
{
    for (CustomViewTree& folder : node.folders) {
        folder.parent = &node;
        LinkParents(folder);
    }
}

// Deletes a view file and the side file the settings writer locked it with.
bool DeleteViewFile(const std::u16string& path)
{
    const bool deleted = DeleteFileW(path.c_str());
    DeleteFileW((path + u".lock").c_str());
    return deleted;
}

// Removes the folders of path, innermost first, while they are empty, up to
// (not including) the root.
void RemoveEmptyFolders(const std::u16string& root, std::u16string path)
{
    for (size_t slash = path.rfind(u'\\'); slash != std::u16string::npos && slash > root.size();
         slash = path.rfind(u'\\')) {
        path.resize(slash);
        if (!RemoveDirectoryW(path.c_str())) return;
    }
}


// Whether name ends in a tab extension (".NNN").
bool HasTabExtension(const std::u16string& name)
{
    if (name.size() <= 4 || name[name.size() - 4] != u'.') return false;
    return std::all_of(name.end() - 3, name.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

bool ReadWholeFile(const std::u16string& path, std::string& bytes)
{
    CeFile file;
    if (!file.Open(path.c_str(), GENERIC_READ, FILE_SHARE_READ, FALSE)) return false;
    bytes.clear();
    if (file.IsUnicode()) bytes = "\xFF\xFE";
    char buffer[4096];
    for (DWORD got = 0; (got = file.Read(buffer, sizeof buffer)) > 0;) bytes.append(buffer, got);
    return true;
}

// Moves the view files below folder (relative path so far: relative) whose
// sections all belong to prefix into target at the same relative path;
// skip is a folder left alone (the target itself). A file whose place is
// taken stays. The files moved.
int AdoptViews(const std::u16string& root, const std::u16string& folder, const std::u16string& relative,
               const std::u16string& target, const std::u16string& skip, const std::u16string& prefix)
{
    std::vector<WIN32_FIND_DATAW> entries;
    {
        WIN32_FIND_DATAW found{};
        const platform::FindHandle find(FindFirstFileW((folder + u"\\*.*").c_str(), &found));
        if (!find.Valid()) return 0;
        // Listed whole before anything moves, so the enumeration never sees
        // its folder change.
        do entries.push_back(found);
        while (FindNextFileW(find.Get(), &found));
    }
    int moved = 0;
    for (const WIN32_FIND_DATAW& entry : entries) {
        const std::u16string name = entry.cFileName;
        const std::u16string path = folder + u"\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (lstrcmpiW(path.c_str(), skip.c_str()) != 0)
                moved += AdoptViews(root, path, relative + name + u"\\", target, skip, prefix);
            continue;
        }
        if (!HasTabExtension(name)) continue;
        std::string bytes;
        if (!ReadWholeFile(path, bytes) || !CheckCustomViewFile(bytes.data(), bytes.size(), prefix).Ok()) continue;
        const std::u16string destination = target + u"\\" + relative + name;
        if (IsFile(destination)) continue;
        if (!CeFile::CreatePath(destination.c_str()) || !MoveFileW(path.c_str(), destination.c_str())) {
            RemoveEmptyFolders(target, destination);
            continue;
        }
        DeleteFileW((path + u".lock").c_str());
        RemoveEmptyFolders(root, path);
        ++moved;
    }
    return moved;
}

}  // namespace

int CustomViewTree::Count() const
{
    int count = static_cast<int>(views.size());
    for (const CustomViewTree& folder : folders) count += folder.Count();
    return count;
}

CCustomView::CCustomView() : CCustomView(std::u16string_view()) {}

CCustomView::CCustomView(std::u16string_view application) : m_folder(RootFolder())
{
    const std::u16string folder = CleanName(application);
    if (!folder.empty()) m_folder += u"\\" + folder;
    CeFile::CreatePath((m_folder + u"\\x").c_str());
}

CCustomView::CCustomView(std::u16string_view application, const WCHAR* key) : CCustomView(application)
{
    const std::u16string root = RootFolder();
    if (key && *key && m_folder != root) m_adopted = AdoptViews(root, root, u"", m_folder, m_folder, SectionPrefix(key));
}

std::u16string CCustomView::RootFolder() { return ResolveSettingsPath(kRootFormat); }

std::u16string CCustomView::ViewFile(std::u16string_view name, int tab, std::u16string_view application)
{
    const std::u16string folder = CleanName(application);
    return ViewIn(folder.empty() ? RootFolder() : RootFolder() + u"\\" + folder, name, tab);
}

std::u16string CCustomView::FileOf(std::u16string_view name, int tab) const { return ViewIn(m_folder, name, tab); }

CustomViewResult CCustomView::Fail(CustomViewResult result, std::u16string text)
{
    m_error = std::move(text);
    return result;
}

unsigned short CCustomView::GetCustomViews(int tab, CustomViewTree& tree, bool sort, bool includeEmpty)
{
    tree = CustomViewTree();
    tree.tab = tab;
    if (tab < 0 || tab > kLastTab) return 0;
    const int count = ReadPath(m_folder, tab, tree, includeEmpty);
    if (sort) SortTree(tree);
    LinkParents(tree);
    return static_cast<unsigned short>(count);
}

CustomViewResult CCustomView::CreateNewCustomView(int tab, const WCHAR* key, bool silent, std::u16string_view name)
{
    m_error.clear();
    const std::u16string file = FileOf(name, tab);
    if (file.empty() || !key || !*key) return Fail(CustomViewResult::kBadName, u"The view needs a name.");
    const std::u16string clean = CleanName(name);
    const size_t slash = clean.rfind(u'\\');
    const std::u16string folder = slash == std::u16string::npos ? u"" : clean.substr(0, slash);
    {
        CRegistry settings;
        if (settings.OpenKey(HKEY_CURRENT_USER, kSuiteKey) == 0) settings.SetValue(u"CustomViewPath", folder.c_str());
    }
    if (!CeFile::CreatePath(file.c_str()))
        return Fail(CustomViewResult::kStoreFailed, u"The folder of the view cannot be made.");
    std::u16string aside;  // the view being replaced, kept until the new one is written
    if (IsFile(file)) {
        if (!silent) {
            CeString question;
            question.LoadStringW(kReplaceViewString);
            const std::u16string caption = clean.substr(slash == std::u16string::npos ? 0 : slash + 1);
            if (MessageBoxW(nullptr, question, caption.c_str(), MB_YESNO | MB_ICONQUESTION | MB_TOPMOST) != IDYES)
                return Fail(CustomViewResult::kCancelled, u"The view was not replaced.");
        }
        // The export merges into a file that exists, so the old view is set
        // aside first; it goes only once the new one is written, and comes
        // back when nothing is.
        aside = file + u".replaced";
        DeleteFileW(aside.c_str());
        if (!MoveFileW(file.c_str(), aside.c_str()))
            return Fail(CustomViewResult::kStoreFailed, u"The old view file cannot be replaced.");
        DeleteFileW((file + u".lock").c_str());
    }
    CRegistry settings;
    const LONG status = settings.ExportINIFile(HKEY_CURRENT_USER, key, file.c_str(), nullptr);
    if (status == 0 && IsFile(file)) {
        if (!aside.empty()) DeleteFileW(aside.c_str());
        return CustomViewResult::kDone;
    }
    DeleteViewFile(file);
    if (!aside.empty()) MoveFileW(aside.c_str(), file.c_str());
    if (status == E_FAIL && settings.ValueCount(HKEY_CURRENT_USER, key) <= 0)
        return Fail(CustomViewResult::kNoSettings, u"The view's settings hold nothing to save.");
    return Fail(CustomViewResult::kStoreFailed, u"The view file cannot be written.");
}

CustomViewResult CCustomView::ApplyCustomView(std::u16string_view name, const WCHAR* key, int tab,
                                              CeWorkerThread* loader)
{
    m_error.clear();
    const std::u16string file = FileOf(name, tab);
    if (file.empty()) return Fail(CustomViewResult::kBadName, u"No such view name.");
    const CustomViewResult result = ApplyCustomViewFromFile(file.c_str(), key);
    if (result == CustomViewResult::kDone && loader) loader->Start();
    return result;
}

CustomViewResult CCustomView::ApplyCustomViewFromFile(const WCHAR* path, const WCHAR* key)
{
    m_error.clear();
    if (!path || !key || !*key) return Fail(CustomViewResult::kBadName, u"No view file or settings key.");
    std::string bytes;
    if (!IsFile(path) || !ReadWholeFile(path, bytes)) return Fail(CustomViewResult::kMissing, u"No such view.");
    const std::u16string prefix = SectionPrefix(key);
    const CustomViewFileCheck check = CheckCustomViewFile(bytes.data(), bytes.size(), prefix);
    if (!check.Ok()) return Fail(CustomViewResult::kBadFile, CustomViewFileProblemText(check));

    CRegistry settings;
    if (SuiteSetting(u"CustomViewClear", 1)) {
        // The key and every section the export takes with it (sub-keys and
        // namesakes), so that values the file lacks return to their defaults.
        std::unique_ptr<CeStrList<WCHAR*>> sections(settings.SubKeyNames());
        for (int i = 0; sections && i < sections->GetCount(); ++i) {
            const std::u16string_view section = sections->GetAt(i);
            if (section.size() >= prefix.size() &&
                _wcsnicmp(std::u16string(section.substr(0, prefix.size())).c_str(), prefix.c_str(), prefix.size()) == 0)
                settings.DeleteKey(nullptr, std::u16string(section).c_str());
        }
    }
    if (settings.AppendINIFile(path, nullptr, nullptr) != 0 || settings.SaveINIFile(1) != 0)
        return Fail(CustomViewResult::kStoreFailed, u"The settings cannot be written.");
    return CustomViewResult::kDone;
}

CustomViewResult CCustomView::RenameCustomView(int tab, std::u16string_view from, std::u16string_view to)
{
    m_error.clear();
    const std::u16string source = FileOf(from, tab);
    const std::u16string target = FileOf(to, tab);
    if (source.empty() || target.empty()) return Fail(CustomViewResult::kBadName, u"The view needs a name.");
    if (!IsFile(source)) return Fail(CustomViewResult::kMissing, u"No such view.");
    if (source == target) return CustomViewResult::kDone;
    if (IsFile(target) && lstrcmpiW(source.c_str(), target.c_str()) != 0)
        return Fail(CustomViewResult::kExists, u"A view with this name exists already.");
    if (!CeFile::CreatePath(target.c_str()) || !MoveFileW(source.c_str(), target.c_str()))
        return Fail(CustomViewResult::kStoreFailed, u"The view cannot be renamed.");
    DeleteFileW((source + u".lock").c_str());
    RemoveEmptyFolders(m_folder, source);
    return CustomViewResult::kDone;
}

CustomViewResult CCustomView::DeleteCustomView(int tab, std::u16string_view name)
{
    m_error.clear();
    const std::u16string file = FileOf(name, tab);
    if (file.empty()) return Fail(CustomViewResult::kBadName, u"The view needs a name.");
    if (!IsFile(file)) return Fail(CustomViewResult::kMissing, u"No such view.");
    if (!DeleteViewFile(file)) return Fail(CustomViewResult::kStoreFailed, u"The view cannot be deleted.");
    RemoveEmptyFolders(m_folder, file);
    return CustomViewResult::kDone;
}
