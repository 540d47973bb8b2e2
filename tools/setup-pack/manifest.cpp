#include "tools/setup-pack/manifest.h"

#include "common/install_context.h"
#include "common/pe_version.h"
#include "install/extension_checksum.h"
#include "package/package_format.h"
#include "package/table_checks.h"
#include "tools/setup-pack/file_util.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>

namespace {

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r"), e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? "" : s.substr(b, e - b + 1);
}

std::string lower(std::string s) {
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

// Splits a [Files] line into tokens: whitespace separates them, double quotes keep spaces.
bool split_tokens(const std::string& line, std::vector<std::string>& tokens) {
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace((unsigned char)line[i])) ++i;
        if (i >= line.size()) break;
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

struct Loader {
    Manifest& m;
    std::vector<std::string>& errors;
    std::string base_dir;
    bool have_version = false;

    void fault(int line, const std::string& what) { errors.push_back(m.path + ":" + std::to_string(line) + ": " + what); }

    void setup_line(int line, const std::string& text) {
        size_t eq = text.find('=');
        if (eq == std::string::npos) return fault(line, "expected key = value, got \"" + text + "\"");
        std::string key = lower(trim(text.substr(0, eq))), value = trim(text.substr(eq + 1));
        if (key != "version") return fault(line, "unknown key \"" + key + "\" in [Setup]");
        uint16_t v[4];
        if (!parse_version(value, 3, v))
            return fault(line, "version must be major.minor.build, each 0 to 65535, got \"" + value + "\"");
        m.major = v[0], m.minor = v[1], m.build = v[2];
        have_version = true;
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
        std::string name_fault = package_name_fault(e.name);
        if (!name_fault.empty()) fault(line, "invalid name \"" + e.name + "\": " + name_fault), ok = false;
        if ((e.flags & ENTRY_NOT_INSTALLED) && (e.flags & ENTRY_HAS_VERSION))
            fault(line, "not_installed cannot be combined with shared or versioned"), ok = false;
        if (explicit_version && !(e.flags & ENTRY_HAS_VERSION))
            fault(line, "version= needs the shared or versioned flag (only those entries store a version)"), ok = false;
        std::string read_error;
        if (!read_whole_file(e.source_path, e.data, read_error)) {
            fault(line, "cannot read source \"" + e.source + "\": " + read_error);
            ok = false;
        } else if (e.data.size() > MAX_ENTRY_BYTES) {
            fault(line, "\"" + e.source + "\" is " + std::to_string(e.data.size()) + " bytes; an entry holds at most " +
                            std::to_string(MAX_ENTRY_BYTES) + " (65535 KiB)");
            ok = false;
        } else {
            if ((e.flags & ENTRY_HAS_VERSION) && !explicit_version) {
                size_t offset, length;
                if (!pe_find_version_resource(e.data.data(), e.data.size(), offset, length) ||
                    !version_block_file_version(e.data.data() + offset, length, e.version_ms, e.version_ls)) {
                    fault(line, "\"" + e.source + "\" has no version resource; give one with version=a.b.c.d");
                    ok = false;
                }
            }
            if (e.stamped && !has_extension_marker(e.data)) {
                fault(line, "\"" + e.source + "\" is flagged stamped but holds no checksum marker");
                ok = false;
            }
        }
        if (ok) m.entries.push_back(std::move(e));
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
        if (is_device_name(part.data(), part.size()))
            return "has a part that names a device (such as CON, NUL.txt or COM1)";
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return "";
}

bool load_manifest(const std::string& path, Manifest& out, std::vector<std::string>& errors) {
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
    bool seen_setup = false;
    std::string raw;
    int line = 0;
    while (std::getline(in, raw)) {
        ++line;
        std::string text = trim(raw);
        if (text.empty() || text[0] == '#' || text[0] == ';') continue;
        if (text[0] == '[') {
            std::string name = lower(text);
            if (name == "[setup]") section = SETUP, seen_setup = true;
            else if (name == "[files]") section = FILES;
            else loader.fault(line, "unknown section " + text + " (sections: [Setup], [Files])"), section = NONE;
            continue;
        }
        if (section == SETUP) loader.setup_line(line, text);
        else if (section == FILES) loader.files_line(line, text);
        else loader.fault(line, "line outside a known section");
    }
    if (!seen_setup || !loader.have_version) loader.fault(line, "missing [Setup] version = major.minor.build");
    // Names are compared without regard to case, as the installer does.
    std::map<std::string, int> seen;
    for (const ManifestEntry& e : out.entries) {
        auto [it, fresh] = seen.emplace(lower(e.name), e.line);
        if (!fresh) loader.fault(e.line, "duplicate name \"" + e.name + "\" (first on line " + std::to_string(it->second) + ")");
    }
    if (out.entries.size() > 65535) loader.fault(line, "more than 65535 entries");
    return errors.empty();
}
