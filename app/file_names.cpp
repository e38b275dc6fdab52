#include "app/file_names.h"

namespace orv {

FileFilterList packageFileFilters() {
    return {{"Update Data File", "*.dat"}, {"All Files", "*.*"}};
}

uint32_t clampFilterIndex(uint32_t index, const FileFilterList& filters) {
    const auto count = static_cast<uint32_t>(filters.size());
    return index > count ? count : index;
}

ByteString dialogNameFilter(const FileFilter& filter) {
    ByteStringList patterns;
    for (const ByteString& p : split(filter.pattern, ';')) {
        if (p == "*.*")
            patterns.push_back("*");
        else if (!p.empty())
            patterns.push_back(p);
    }
    if (patterns.empty()) patterns.push_back("*");
    return filter.description + " (" + join(patterns, " ") + ")";
}

ByteString defaultExtension(const ByteString& pattern) {
    const uint32_t semicolon = pattern.find(';');
    const ByteString first = semicolon == ByteString::npos ? pattern : pattern.Left(semicolon);
    const uint32_t dot = first.find('.');
    if (dot == ByteString::npos) return {};
    ByteString extension = first.Mid(dot + 1);
    if (extension.find('*') != ByteString::npos) return {};
    return extension;
}

ByteString withDefaultExtension(const ByteString& name, const ByteString& pattern) {
    if (name.empty()) return name;
    uint32_t componentStart = 0;
    for (uint32_t i = 0; i < name.length(); ++i)
        if (name[i] == '/' || name[i] == '\\') componentStart = i + 1;
    if (name.find('.', componentStart) != ByteString::npos) return name;
    const ByteString extension = defaultExtension(pattern);
    if (extension.empty()) return name;
    return name + "." + extension;
}

FileDialogRequest packageFileRequest(FileDialogKind kind, const ByteString& title) {
    return {kind, title, packageFileFilters(), 0, {}, {}};
}

ByteString configuredPattern(const FileDialogRequest& request) {
    const uint32_t index = clampFilterIndex(request.filterIndex, request.filters);
    return index < request.filters.size() ? request.filters[index].pattern : ByteString("*.*");
}

ByteString windowsFilterText(const FileFilterList& filters) {
    ByteString text;
    const auto add = [&](const ByteString& description, const ByteString& pattern) {
        text += description + " (" + pattern + ")";
        text += '\0';
        text += pattern;
        text += '\0';
    };
    for (const FileFilter& f : filters) add(f.description, f.pattern);
    if (filters.empty()) add("All Files", "*.*");
    text += '\0';
    return text;
}

}  // namespace orv
