// What the program does with some entries because of their names: the roles that a build
// checks and names in its summary (documented in tools/setup-pack/README.md).
#pragma once

#include "tools/setup-pack/manifest.h"

#include <string>
#include <vector>

struct PackageRoles {
    // Index into the manifest's entries, or -1 when no entry takes the role.
    int plugin = -1;        // regular "nptnf32.dll": copied into each chosen browser's Plugins folder
    int uninstaller = -1;   // regular "NpU32.exe": what the uninstall record and shortcut start
    int picture = -1;       // the first not_installed "logo.bmp": the wizard's picture
    int readme = -1;        // the last regular ".txt" entry: the Start-menu read-me shortcut
};

// Finds the roles the program will give the manifest's entries. `errors` gets a fault when
// nothing would be installed (no entry, or every one not_installed); `warnings` gets one
// "MANIFEST:LINE: warning: ..." when a role is missing or is probably not what the maker
// meant (an entry with a role's name in a subfolder or with the wrong flags, a picture that
// is no BMP file, several read-me candidates when the last one is not named like a read-me).
PackageRoles find_roles(const Manifest& m, std::vector<std::string>& errors, std::vector<std::string>& warnings);

// The summary's lines: each role and the entry that takes it ("none" when none does).
std::vector<std::string> roles_summary(const Manifest& m, const PackageRoles& roles);
