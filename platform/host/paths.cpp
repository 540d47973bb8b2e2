// Windows paths on the host: drive letters map to host folders, backslashes separate
// components, and names match without regard to case.
#include "platform/host/host_state.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace host {

namespace {

std::map<char, std::string> drives;
char current_drive = 'C';
std::vector<std::string> current_parts;   // current directory below the drive root

bool equal_nocase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower((unsigned char)a[i]) != std::tolower((unsigned char)b[i])) return false;
    return true;
}

std::vector<std::string> list_dir(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.push_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

bool is_8_3(const std::string& name) {
    size_t dot = name.find('.');
    std::string base = name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
    if (ext.find('.') != std::string::npos) return false;
    for (char c : name)
        if (c == ' ' || c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']')
            return false;
    return true;
}

std::string alias_stem(const std::string& name) {
    size_t dot = name.rfind('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    auto clean = [](const std::string& s, size_t limit) {
        std::string out;
        for (char c : s) {
            if (c == ' ' || c == '.') continue;
            if (std::strchr("+,;=[]", c)) c = '_';
            out += (char)std::toupper((unsigned char)c);
            if (out.size() == limit) break;
        }
        return out;
    };
    std::string stem = clean(base, 6);
    std::string e = clean(ext, 3);
    return stem + "|" + e;
}

}  // namespace

std::string short_alias(const std::string& host_dir, const std::string& name) {
    if (is_8_3(name)) return "";
    // Windows numbers the aliases of names sharing a stem in order of creation; the stand-in
    // numbers them in name order, which is stable and enough for the program's lookups.
    std::string stem = alias_stem(name);
    int n = 0;
    for (const std::string& other : list_dir(host_dir)) {
        if (is_8_3(other) || alias_stem(other) != stem) continue;
        ++n;
        if (other == name) break;
    }
    size_t bar = stem.find('|');
    std::string alias = stem.substr(0, bar) + "~" + std::to_string(n == 0 ? 1 : n);
    std::string ext = stem.substr(bar + 1);
    if (!ext.empty()) alias += "." + ext;
    return alias;
}

bool split_windows_path(const char* path, char& drive, std::vector<std::string>& parts) {
    if (!path) return false;
    std::string p(path);
    std::replace(p.begin(), p.end(), '/', '\\');
    if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') return false;   // network path
    std::vector<std::string> base;
    if (p.size() >= 2 && p[1] == ':') {
        drive = (char)std::toupper((unsigned char)p[0]);
        p = p.substr(2);
        if (p.empty() || p[0] != '\\') {
            if (drive == current_drive) base = current_parts;
        }
    } else {
        drive = current_drive;
        if (p.empty() || p[0] != '\\') base = current_parts;
    }
    if (!drives.count(drive)) return false;
    parts = base;
    size_t i = 0;
    while (i <= p.size()) {
        size_t j = p.find('\\', i);
        if (j == std::string::npos) j = p.size();
        std::string part = p.substr(i, j - i);
        // Windows ignores trailing dots and spaces of a component.
        while (!part.empty() && (part.back() == '.' || part.back() == ' ') && part != "." &&
               part != "..")
            part.pop_back();
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    return true;
}

bool resolve(const char* windows_path, std::string& host_path) {
    char drive;
    std::vector<std::string> parts;
    if (!split_windows_path(windows_path, drive, parts)) return false;
    std::string out = drives[drive];
    bool exists = true;
    for (const std::string& part : parts) {
        std::string found;
        if (exists) {
            std::vector<std::string> names = list_dir(out);
            for (const std::string& n : names)
                if (equal_nocase(n, part)) { found = n; break; }
            if (found.empty())
                for (const std::string& n : names)
                    if (equal_nocase(short_alias(out, n), part)) { found = n; break; }
        }
        if (found.empty()) {
            exists = false;
            found = part;
        }
        out += "/" + found;
    }
    host_path = out;
    return true;
}

bool set_current(const char* windows_path) {
    char drive;
    std::vector<std::string> parts;
    if (!split_windows_path(windows_path, drive, parts)) return false;
    std::string h;
    resolve(windows_path, h);
    struct stat st;
    if (stat(h.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    current_drive = drive;
    current_parts = parts;
    return true;
}

std::string current_directory() {
    std::string out(1, current_drive);
    out += ":\\";
    for (size_t i = 0; i < current_parts.size(); ++i) {
        if (i) out += "\\";
        out += current_parts[i];
    }
    return out;
}

void reset_paths() {
    current_drive = 'C';
    current_parts.clear();
}

}  // namespace host

void host_map_drive(char drive, const std::string& host_dir) {
    host::drives[(char)std::toupper((unsigned char)drive)] = host_dir;
}

void host_unmap_all_drives() {
    host::drives.clear();
    host::reset_paths();
}

std::string host_path_of(const char* windows_path) {
    std::string out;
    return host::resolve(windows_path, out) ? out : std::string();
}
