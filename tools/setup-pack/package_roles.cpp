#include "tools/setup-pack/package_roles.h"

#include "common/install_record.h"
#include "common/path_text.h"
#include "install/main_files.h"
#include "package/package_format.h"

#include <cctype>
#include <fstream>

namespace {

// Entries the main copy step places: neither not_installed nor shared.
bool is_regular(const ManifestEntry& e) { return !(e.flags & (ENTRY_NOT_INSTALLED | ENTRY_SHARED)); }

bool is_bmp_file(const std::string& path) {
    char magic[2] = {};
    std::ifstream in(path, std::ios::binary);
    return in.read(magic, 2) && magic[0] == 'B' && magic[1] == 'M';
}

// "readme.txt", "Read Me.txt", "read_me-first.txt": a name that says it is the read-me.
bool looks_like_readme(const std::string& name) {
    std::string letters;
    for (const char* p = last_component(name.c_str()); *p && *p != '.'; ++p)
        if (std::isalnum((unsigned char)*p)) letters += (char)std::tolower((unsigned char)*p);
    return letters.rfind("readme", 0) == 0;
}

// "MANIFEST:LINE", or "MANIFEST" for a fault of the whole manifest with no [Files] line to name.
std::string located(const Manifest& m, int line) {
    return line > 0 ? m.path + ":" + std::to_string(line) : m.path;
}

struct RoleFinder {
    const Manifest& m;
    std::vector<std::string>& warnings;

    void warn(int line, const std::string& text) { warnings.push_back(located(m, line) + ": warning: " + text); }

    // The regular entry named exactly `name` (the program's rule); warns about entries that
    // share its last component but not its place or its flags, and when there is none.
    int named_regular(const char* name, const std::string& role, const std::string& without) {
        int found = -1;
        for (size_t i = 0; i < m.entries.size(); ++i) {
            const ManifestEntry& e = m.entries[i];
            if (!same_name(last_component(e.name.c_str()), name)) continue;
            if (same_name(e.name.c_str(), name) && is_regular(e)) {
                found = (int)i;
                continue;
            }
            warn(e.line, "\"" + e.name + "\" is not " + role + ": only an entry named " + name +
                             " at the top of the package, neither shared nor not_installed, is");
        }
        if (found < 0) warn(m.files_line, std::string("no entry ") + name + ": " + without);
        return found;
    }

    int picture() {
        int found = -1;
        for (size_t i = 0; i < m.entries.size(); ++i) {
            const ManifestEntry& e = m.entries[i];
            if (!same_name(last_component(e.name.c_str()), LOGO_ENTRY_NAME)) continue;
            bool takes = found < 0 && same_name(e.name.c_str(), LOGO_ENTRY_NAME) && (e.flags & ENTRY_NOT_INSTALLED);
            if (takes) {
                found = (int)i;
                if (!is_bmp_file(e.source_path)) warn(e.line, "\"" + e.source + "\" is not a BMP picture; the wizard shows none");
            } else {
                warn(e.line, "\"" + e.name + "\" is not the wizard's picture: that is an entry named " +
                                 LOGO_ENTRY_NAME + " at the top of the package flagged not_installed" +
                                 (e.flags & ENTRY_NOT_INSTALLED ? "" : " (this one is installed)"));
            }
        }
        if (found < 0) warn(m.files_line, std::string("no not_installed entry ") + LOGO_ENTRY_NAME + ": the wizard shows no picture");
        return found;
    }

    int readme() {
        int found = -1;
        std::vector<size_t> candidates;
        for (size_t i = 0; i < m.entries.size(); ++i)
            if (is_regular(m.entries[i]) && has_extension(m.entries[i].name.c_str(), ".txt")) candidates.push_back(i);
        if (candidates.empty()) {
            warn(m.files_line, "no .txt entry: the Start menu gets no read-me shortcut");
            return found;
        }
        found = (int)candidates.back();
        if (candidates.size() > 1 && !looks_like_readme(m.entries[found].name)) {
            std::string others;
            for (size_t k = 0; k + 1 < candidates.size(); ++k)
                others += (k ? ", \"" : "\"") + m.entries[candidates[k]].name + "\" (line " +
                          std::to_string(m.entries[candidates[k]].line) + ")";
            warn(m.entries[found].line, "\"" + m.entries[found].name +
                                            "\" becomes the Start menu's read-me, being the last .txt entry; not " +
                                            others + ". List the read-me last among the .txt entries");
        }
        return found;
    }
};

std::string role_line(const char* role, const Manifest& m, int index) {
    std::string text = std::string(role) + ": ";
    if (index < 0) return text + "none";
    return text + m.entries[index].name + " (line " + std::to_string(m.entries[index].line) + ")";
}

}  // namespace

PackageRoles find_roles(const Manifest& m, std::vector<std::string>& errors, std::vector<std::string>& warnings) {
    PackageRoles roles;
    bool installable = false;
    for (const ManifestEntry& e : m.entries) installable |= !(e.flags & ENTRY_NOT_INSTALLED);
    if (!installable)
        errors.push_back(located(m, m.files_line) + ": nothing to install: " +
                         (m.entries.empty() ? "[Files] lists no entry" : "every entry is not_installed"));
    RoleFinder finder{m, warnings};
    roles.plugin = finder.named_regular(PLUGIN_MODULE_NAME, "the plug-in",
                                        "the installer puts no plug-in into the browsers' Plugins folders");
    roles.uninstaller = finder.named_regular(UNINSTALLER_NAME, "the uninstaller",
                                             "the uninstall record and the Start-menu shortcut point at it all the same");
    roles.picture = finder.picture();
    roles.readme = finder.readme();
    return roles;
}

std::vector<std::string> roles_summary(const Manifest& m, const PackageRoles& roles) {
    return {role_line("plug-in", m, roles.plugin), role_line("uninstaller", m, roles.uninstaller),
            role_line("wizard picture", m, roles.picture), role_line("read-me", m, roles.readme)};
}
