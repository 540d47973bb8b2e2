#include "install/extension_files.h"

#include "common/install_context.h"
#include "common/path_text.h"
#include "common/status.h"
#include "install/extension_checksum.h"
#include "install/pending_files.h"
#include "install/temporary_names.h"

#include <cstring>

const char* const extension_file_names[EXTENSION_NAME_COUNT] = {
    "npanim",  "npaudio", "npbrush", "npchart",     "npclock",  "npcolor", "npdraw",
    "npfont",  "npframe", "npgrid",  "npimage",     "npinput",  "npkey",   "nplink",
    "npmedia", "npmenu",  "npmidi",  "npnet",       "nppaint",  "npprint", "npscene",
    "npsound", "npsprite", "nptext", "nptimer.cox", "npvideo",  "TFTrans.dll",
};

int verify_extension_file() {
    HFILE file = _lopen(ctx.work_path, OF_READ);
    if (file == HFILE_ERROR) return EXTENSION_ABSENT;
    int check = extension_checksum_matches(file);
    _lclose(file);
    // No verdict (no memory for the buffer, or a read failed): a file never judged is kept.
    if (check == EXTENSION_CHECKSUM_UNTESTED) return MSG_NO_MEMORY;
    if (check == EXTENSION_CHECKSUM_MATCH) return EXTENSION_VALID;
    // Not deleted yet: a run that fails, is stopped or is killed must leave it as it was.
    // One that cannot be listed is kept like one never judged.
    if (string_list_add(&ctx.invalid_extensions_block, &ctx.invalid_extensions, ctx.work_path) != STATUS_OK)
        return MSG_NO_MEMORY;
    return EXTENSION_INVALID;
}

void remove_invalid_extension_files() {
    if (!ctx.invalid_extensions_block) return;
    for (const char* p = ctx.invalid_extensions; *p; p += std::strlen(p) + 1) {
        // One this run wrote again under a temporary name was replaced by the commit (or,
        // when the commit could not replace it, is in use and stays).
        if (!replaced_by_pending_file(p)) DeleteFileA(p);
    }
}

namespace {

// Tests target_directory + `name` + `extension`. `untested` is set when the test could not run.
int verify_named(const char* name, const char* extension, bool& untested) {
    ctx.work_path[0] = 0;
    if (!append_text(ctx.work_path, PATH_BUFFER_SIZE, ctx.target_directory) ||
        !append_text(ctx.work_path, PATH_BUFFER_SIZE, name) ||
        !append_text(ctx.work_path, PATH_BUFFER_SIZE, extension))
        return EXTENSION_ABSENT;   // no such file can exist under a path that long
    int result = verify_extension_file();
    if (result == MSG_NO_MEMORY) untested = true;
    return result;
}

}  // namespace

int check_extension_files() {
    int result = EXTENSION_ABSENT;
    bool untested = false;
    for (const char* name : extension_file_names) {
        if (std::strchr(name, '.')) {
            result = verify_named(name, "", untested);
        } else {
            verify_named(name, ".cox", untested);
            result = verify_named(name, ".mox", untested);
        }
    }
    return untested ? MSG_NO_MEMORY : result;
}
