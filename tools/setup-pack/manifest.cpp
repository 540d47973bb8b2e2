#include "tools/setup-pack/manifest.h"

#include "common/install_context.h"
#include "common/pe_version.h"
#include "install/extension_checksum.h"
#include "package/package_format.h"
#include "package/table_checks.h"
#include "common/path_text.h"
#include "tools/setup-pack/file_util.h"
#include "tools/setup-pack/package_builder.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r"), e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

// Splits a [Files] line into tokens: whitespace separates them, double quotes keep spaces,
// and a '#' or ';' where a token would start begins a comment that runs to the end of the line.
bool split_tokens(const std::string& line, std::vector<std::string>& tokens) {
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace((unsigned char)line[i])) ++i;
        if (i >= line.size() || line[i] == '#' || line[i] == ';') break;
        std::string token;
        if (line[i] == '"') {
            size_t close = line.find('"', i + 1);
            if (close == std::string::npos) return false;
            token = line.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            while (i < line.size() && !std::isspace((unsigned char)line[i])) token += line[i++];
        }
        tokens.push_back(token);
    }
    return true;
}

// `text` without a comment that follows a blank: "2.2.98   # the version" gives "2.2.98".
std::string without_trailing_comment(const std::string& text) {
    for (size_t i = 1; i < text.size(); ++i)
        if ((text[i] == '#' || text[i] == ';') && std::isspace((unsigned char)text[i - 1])) return trim(text.substr(0, i));
    return text;
}

// Opens `path` and checks that it is a regular file; false with `error`. Sets `size`.
bool probe_source(const std::string& path, uint64_t& size, std::string& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        error = std::strerror(errno);
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::close(fd);
    if (!S_ISREG(st.st_mode)) {
        error = S_ISDIR(st.st_mode) ? "it is a folder (a folder source ends with '/')" : "not a regular file";
        return false;
    }
    size = (uint64_t)st.st_size;
    return true;
}

// The program's own extension checksum test on the file at `path`.
int extension_test(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return EXTENSION_CHECKSUM_UNTESTED;
    int result = extension_checksum_matches(fd);
    ::close(fd);
    return result;
}

struct Loader {
    Manifest& m;
    std::vector<std::string>& errors;
    std::string base_dir;
    bool have_version = false;

    void fault(int line, const std::string& what) { errors.push_back(m.path + ":" + std::to_string(line) + ": " + what); }

    void setup_line(int line, const std::string& text) {
        size_t eq = text.find('=');
        if (eq == std::string::npos) return fault(line, "expected key = value, got \"" + text + "\"");
        std::string key = lower(trim(text.substr(0, eq))), value = without_trailing_comment(trim(text.substr(eq + 1)));
        if (key != "version") return fault(line, "unknown key \"" + key + "\" in [Setup]");
        std::string why = set_version(value);
        if (!why.empty()) fault(line, why);
    }

    // "" when `value` is a sound product version (then it is the manifest's), else why not.
    std::string set_version(const std::string& value) {
        uint16_t v[4];
        if (!parse_version(value, 3, v)) return "version must be major.minor.build, each 0 to 65535, got \"" + value + "\"";
        m.major = v[0], m.minor = v[1], m.build = v[2];
        have_version = true;
        return "";
    }

    // Applies the command line's `--set KEY=VALUE` pairs over what the manifest said.
    void apply_settings(const ManifestSettings& settings) {
        for (const std::string& set : settings.sets) {
            size_t eq = set.find('=');
            std::string key = lower(trim(set.substr(0, eq)));
            std::string why = eq == std::string::npos ? "expected KEY=VALUE, got \"" + set + "\""
                              : key != "version"      ? "unknown key \"" + key + "\" (keys: version)"
                                                      : set_version(trim(set.substr(eq + 1)));
            if (!why.empty()) errors.push_back("--set: " + why);
        }
    }

    void files_line(int line, const std::string& text) {
        std::vector<std::string> tokens;
        if (!split_tokens(text, tokens)) return fault(line, "unclosed quote");
        if (tokens.size() < 2) return fault(line, "expected: SOURCE NAME [flags]");
        ManifestEntry e;
        e.line = line;
        e.source = tokens[0];
        e.name = tokens[1];
        e.source_path = e.source.empty() || e.source[0] == '/' ? e.source : base_dir + e.source;
        bool explicit_version = false, ok = true;
        for (size_t i = 2; i < tokens.size(); ++i) {
            std::string t = lower(tokens[i]);
            if (t == "shared") e.flags |= ENTRY_SHARED;
            else if (t == "versioned") e.flags |= ENTRY_VERSIONED;
            else if (t == "not_installed") e.flags |= ENTRY_NOT_INSTALLED;
            else if (t == "stamped") e.stamped = true;
            else if (t.rfind("version=", 0) == 0) {
                uint16_t v[4];
                if (!parse_version(t.substr(8), 4, v)) {
                    fault(line, "version= must be a.b.c.d, each 0 to 65535, got \"" + tokens[i].substr(8) + "\"");
                    ok = false;
                    explicit_version = true;   // given, if wrongly: no second fault about the resource
                    continue;
                }
                e.version_ms = (uint32_t)v[0] << 16 | v[1];
                e.version_ls = (uint32_t)v[2] << 16 | v[3];
                explicit_version = true;
            } else {
                fault(line, "unknown flag \"" + tokens[i] + "\" (flags: shared, versioned, not_installed, stamped, version=a.b.c.d)");
                ok = false;
            }
        }
        if ((e.flags & ENTRY_NOT_INSTALLED) && (e.flags & ENTRY_HAS_VERSION))
            fault(line, "not_installed cannot be combined with shared or versioned"), ok = false;
        if (explicit_version && !(e.flags & ENTRY_HAS_VERSION))
            fault(line, "version= needs the shared or versioned flag (only those entries store a version)"), ok = false;
        if (!e.source.empty() && e.source.back() == '/') return folder_line(e, explicit_version, ok);
        std::string name_fault = package_name_fault(e.name);
        if (!name_fault.empty()) fault(line, "invalid name \"" + e.name + "\": " + name_fault), ok = false;
        if (ok && check_source(e, explicit_version)) m.entries.push_back(std::move(e));
    }

    // A folder line: `e` describes the folder (source ending in '/', name ending in '\\' or a
    // lone '\\' for the package's top); each file of its tree becomes an entry with e's flags,
    // in byte order of the paths below the folder.
    void folder_line(ManifestEntry& e, bool explicit_version, bool ok) {
        if (e.name.empty() || e.name.back() != '\\') {
            fault(e.line, "a folder's name in the package ends with a backslash (\"" + e.name +
                              "\\\"), or is a lone backslash for the top of the package");
            return;
        }
        std::string prefix = e.name == "\\" ? "" : e.name;
        std::error_code ec;
        std::vector<std::string> files;
        if (!std::filesystem::is_directory(e.source_path, ec)) {
            fault(e.line, "cannot read the folder \"" + e.source + "\": " + (ec ? ec.message() : "not a folder"));
            return;
        }
        const std::filesystem::path top = std::filesystem::path(e.source_path).parent_path();   // without its '/'
        std::filesystem::recursive_directory_iterator it(top, ec), end;
        // The walk stops as soon as the folder holds more than a package can, or has given
        // more faults than a maker reads: a folder such as "/" is refused at once, not walked
        // to its end.
        size_t faults_here = 0;
        for (; !ec && it != end; it.increment(ec)) {
            if (files.size() + m.entries.size() > MAX_PACKAGE_ENTRIES) {
                return fault(e.line, "the folder \"" + e.source + "\" holds more files than a package can (" +
                                         std::to_string(MAX_PACKAGE_ENTRIES) + " entries)");
            }
            if (faults_here > MAX_FOLDER_FAULTS) return fault(e.line, "further faults in \"" + e.source + "\" are not listed");
            if (it->is_symlink(ec) && it->is_directory(ec)) {
                fault(e.line, "\"" + e.source + it->path().lexically_relative(top).generic_string() +
                                  "\" is a link to a folder, which a folder entry does not follow");
                ok = false;
                ++faults_here;
                continue;
            }
            if (it->is_directory(ec)) continue;
            // Spelt as found below the folder, links and all: the name must not depend on
            // where a link points.
            std::string relative = it->path().lexically_relative(top).generic_string();
            if (!it->is_regular_file(ec)) {
                fault(e.line, "\"" + e.source + relative + "\" is not a regular file");
                ok = false;
                ++faults_here;
                continue;
            }
            files.push_back(relative);
        }
        if (ec) return fault(e.line, "cannot read the folder \"" + e.source + "\": " + ec.message());
        if (files.empty()) return fault(e.line, "the folder \"" + e.source + "\" holds no files");
        std::sort(files.begin(), files.end());
        for (const std::string& relative : files) {
            ManifestEntry file = e;
            file.source = e.source + relative;
            file.source_path = e.source_path + relative;
            file.name = prefix + relative;
            std::replace(file.name.begin(), file.name.end(), '/', '\\');
            std::string name_fault = package_name_fault(file.name);
            if (!name_fault.empty()) {
                fault(e.line, "invalid name \"" + file.name + "\" (from " + file.source + "): " + name_fault);
                continue;
            }
            if (ok && check_source(file, explicit_version)) m.entries.push_back(std::move(file));
        }
    }

    // Opens the entry's source and checks what its flags and name ask of its bytes.
    bool check_source(ManifestEntry& e, bool explicit_version) {
        std::string read_error;
        if (!probe_source(e.source_path, e.size, read_error)) {
            fault(e.line, "cannot read source \"" + e.source + "\": " + read_error);
            return false;
        }
        if (e.size > MAX_ENTRY_BYTES) {
            fault(e.line, "\"" + e.source + "\" is " + std::to_string(e.size) + " bytes; an entry holds at most " +
                              std::to_string(MAX_ENTRY_BYTES) + " (65535 KiB)");
            return false;
        }
        bool ok = true;
        bool need_bytes = e.stamped || ((e.flags & ENTRY_HAS_VERSION) && !explicit_version);
        std::vector<uint8_t> data;
        if (need_bytes && !read_whole_file(e.source_path, data, read_error)) {
            fault(e.line, "cannot read source \"" + e.source + "\": " + read_error);
            return false;
        }
        if ((e.flags & ENTRY_HAS_VERSION) && !explicit_version) {
            size_t offset, length;
            if (!pe_find_version_resource(data.data(), data.size(), offset, length) ||
                !version_block_file_version(data.data() + offset, length, e.version_ms, e.version_ls)) {
                fault(e.line, "\"" + e.source + "\" has no version resource; give one with version=a.b.c.d");
                ok = false;
            }
        }
        if (e.stamped && !has_extension_marker(data)) {
            fault(e.line, "\"" + e.source + "\" is flagged stamped but holds no checksum marker");
            ok = false;
        }
        // The program tests an extension file's stamp and removes one that fails: such a file
        // must carry its stamp already, or be stamped here on request.
        if (!e.stamped && is_extension_name(e.name) && extension_test(e.source_path) != EXTENSION_CHECKSUM_MATCH) {
            fault(e.line, "\"" + e.source + "\" is an extension file without a valid checksum stamp (the installer "
                              "would remove it); add the flag stamped, or stamp it with setup-pack stamp");
            ok = false;
        }
        return ok;
    }

    static bool has_extension_marker(const std::vector<uint8_t>& data) {
        for (size_t p = 0; p < data.size(); ++p)
            if (extension_marker_at(data.data() + p, (uint32_t)(data.size() - p))) return true;
        return false;
    }
};

}  // namespace

bool parse_version(const std::string& text, unsigned parts, uint16_t out[4]) {
    size_t pos = 0;
    for (unsigned i = 0; i < parts; ++i) {
        if (pos >= text.size() || !std::isdigit((unsigned char)text[pos])) return false;
        unsigned long value = 0;
        while (pos < text.size() && std::isdigit((unsigned char)text[pos])) {
            value = value * 10 + (unsigned long)(text[pos++] - '0');
            if (value > 65535) return false;
        }
        out[i] = (uint16_t)value;
        if (i + 1 < parts) {
            if (pos >= text.size() || text[pos] != '.') return false;
            ++pos;
        }
    }
    return pos == text.size();
}

std::string package_name_fault(const std::string& name) {
    if (name.empty()) return "empty";
    if (name.size() >= (size_t)PATH_BUFFER_SIZE - 3) return "too long for a path";
    if (name[0] == '\\') return "absolute (starts with a backslash)";
    if (name.find(':') != std::string::npos) return "holds a drive or ':'";
    if (name.find('/') != std::string::npos) return "holds '/' (subfolders are separated by '\\')";
    for (unsigned char c : name)
        if (c < 32 || std::strchr("<>\"|?*", c)) return "holds a character Windows refuses in file names";
    size_t start = 0;
    for (;;) {
        size_t end = name.find('\\', start);
        std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty()) return "has an empty folder or file part";
        if (part.find_first_not_of(". ") == std::string::npos)
            return "has a part made only of dots and blanks (such as \"..\")";
        if (part.back() == '.' || part.back() == ' ')
            return "has a part ending in a dot or a blank, which Windows drops (\"read.\" and \"read \" are the "
                   "file \"read\")";
        if (is_device_name(part.data(), part.size()))
            return "has a part that names a device (such as CON, NUL.txt or COM1)";
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return "";
}

bool is_extension_name(const std::string& name) {
    return has_extension(name.c_str(), ".cox") || has_extension(name.c_str(), ".mox");
}

bool read_entry_data(const ManifestEntry& e, std::vector<uint8_t>& data, std::string& error) {
    if (!read_whole_file(e.source_path, data, error)) {
        error = "cannot read " + e.source + ": " + error;
        return false;
    }
    if (data.size() != e.size) {
        error = e.source + " changed while the installer was built (" + std::to_string(e.size) + " bytes, now " +
                std::to_string(data.size()) + ")";
        return false;
    }
    if (e.stamped && !stamp_extension_checksum(data)) {
        error = e.source + " changed while the installer was built: no checksum marker to stamp";
        return false;
    }
    return true;
}

bool load_manifest(const std::string& path, Manifest& out, std::vector<std::string>& errors,
                   const ManifestSettings& settings) {
    out = Manifest();
    out.path = path;
    errors.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        errors.push_back(path + ": cannot open the manifest");
        return false;
    }
    Loader loader{out, errors, ""};
    size_t slash = path.rfind('/');
    if (slash != std::string::npos) loader.base_dir = path.substr(0, slash + 1);
    enum { NONE, SETUP, FILES } section = NONE;
    std::string raw;
    int line = 0;
    bool any_text = false;
    while (std::getline(in, raw)) {
        ++line;
        // Editors that save UTF-8 may put a byte-order mark before the first line.
        if (line == 1 && raw.rfind("\xEF\xBB\xBF", 0) == 0) raw.erase(0, 3);
        std::string text = trim(raw);
        if (text.empty() || text[0] == '#' || text[0] == ';') continue;
        any_text = true;
        if (text[0] == '[') {
            std::string name = lower(without_trailing_comment(text));
            if (name == "[setup]") section = SETUP;
            else if (name == "[files]") section = FILES, out.files_line = line;
            else loader.fault(line, "unknown section " + text + " (sections: [Setup], [Files])"), section = NONE;
            continue;
        }
        if (section == SETUP) loader.setup_line(line, text);
        else if (section == FILES) loader.files_line(line, text);
        else loader.fault(line, "line outside a known section");
    }
    loader.apply_settings(settings);
    if (!any_text) {
        errors.push_back(path + ": the manifest is empty; it needs a [Setup] section with version = major.minor.build "
                                "and a [Files] section");
        return false;
    }
    if (!loader.have_version) loader.fault(line, "missing [Setup] version = major.minor.build (or --set version=X.Y.Z)");
    // Names are compared without regard to case, as the installer does.
    std::map<std::string, int> seen;
    for (const ManifestEntry& e : out.entries) {
        auto [it, fresh] = seen.emplace(lower(e.name), e.line);
        if (!fresh) loader.fault(e.line, "duplicate name \"" + e.name + "\" (first on line " + std::to_string(it->second) + ")");
    }
    if (out.entries.size() > MAX_PACKAGE_ENTRIES)
        loader.fault(line, "more than " + std::to_string(MAX_PACKAGE_ENTRIES) + " entries");
    return errors.empty();
}
