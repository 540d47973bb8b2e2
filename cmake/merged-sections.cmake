# The 32-bit program files' sections, merged where the loader does not care.
#
# Each section of a program file takes whole 512-byte pages of the file, so every section wastes
# the rest of its last page. The linker's own script is taken as it is and changed in two places:
# the read-only constants (.rdata) go at the end of the code (.text), which is read-only as
# well, and the few initialised variables (.data) go at the end of the imports (.idata), which
# the loader keeps writable anyway. The code and its constants then share one page's slack, and
# so do the imports and the variables. The resources and the relocations keep their own
# sections: the linker fills their directory entries by section name. Two builds of the same
# source still produce the same bytes, since the script depends only on the linker.
function(brisvane_merged_sections_script out)
  execute_process(COMMAND ${CMAKE_LINKER} --verbose OUTPUT_VARIABLE verbose RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${CMAKE_LINKER} --verbose failed: it prints the script the sections are merged in")
  endif()
  # The script stands between two lines of "=" in what the linker prints.
  set(rule "==================================================")
  string(FIND "${verbose}" "${rule}\n" first)
  string(FIND "${verbose}" "\n${rule}" last REVERSE)
  if(first EQUAL -1 OR last LESS_EQUAL first)
    message(FATAL_ERROR "${CMAKE_LINKER} --verbose printed no script between lines of '='")
  endif()
  string(LENGTH "${rule}\n" rule_length)
  math(EXPR first "${first} + ${rule_length}")
  math(EXPR length "${last} - ${first} + 1")
  string(SUBSTRING "${verbose}" ${first} ${length} script)

  # Take a whole output section's body out of the script: the text between its name and the
  # closing brace at the start of a line.
  function(take_section name body_var script_var)
    set(s "${${script_var}}")
    string(FIND "${s}" "\n  ${name} BLOCK(__section_alignment__) :\n  {\n" start)
    if(start EQUAL -1)
      message(FATAL_ERROR "the linker's script has no ${name} section in the form this build merges")
    endif()
    string(SUBSTRING "${s}" ${start} -1 rest)
    string(FIND "${rest}" "\n  }\n" end)
    string(LENGTH "\n  ${name} BLOCK(__section_alignment__) :\n  {\n" head)
    math(EXPR body_length "${end} - ${head}")
    string(SUBSTRING "${rest}" ${head} ${body_length} body)
    math(EXPR tail "${end} + 4")
    string(SUBSTRING "${rest}" ${tail} -1 after)
    string(SUBSTRING "${s}" 0 ${start} before)
    set(${body_var} "${body}" PARENT_SCOPE)
    set(${script_var} "${before}${after}" PARENT_SCOPE)
  endfunction()

  take_section(.rdata rdata script)
  take_section(.data data script)
  # Append each body at the end of the section that takes it in, found by its last line.
  function(append_to_section last_line body script_var)
    set(s "${${script_var}}")
    string(FIND "${s}" "${last_line}\n  }\n" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "the linker's script does not end a section with ${last_line}")
    endif()
    string(LENGTH "${last_line}\n" keep)
    math(EXPR at "${at} + ${keep}")
    string(SUBSTRING "${s}" 0 ${at} before)
    string(SUBSTRING "${s}" ${at} -1 after)
    set(${script_var} "${before}${body}\n${after}" PARENT_SCOPE)
  endfunction()
  append_to_section("KEEP (*(.gcc_except_table))" "${rdata}" script)
  append_to_section("KEEP (SORT(*)(.idata$7))" "${data}" script)
  file(WRITE "${out}" "${script}")
endfunction()
