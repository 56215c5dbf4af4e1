# cmake -DKSTOOLS=program -DOUT=kstools.1 -DVERSION=x.y.z -P ManPage.cmake
# Writes the manual page of kstools from the program's own --help texts: the
# top-level help gives NAME, SYNOPSIS, OPTIONS and the command list, and every
# subcommand (and its subcommands) gets a section of its own with its help.
# Generated at build time, so the page never disagrees with the program.
cmake_minimum_required(VERSION 3.25)

# Runs `KSTOOLS args... --help` into out_var; a failing program stops the build.
function(ks_man_help out_var)
    execute_process(COMMAND ${KSTOOLS} ${ARGN} --help OUTPUT_VARIABLE _text RESULT_VARIABLE _rc)
    if(NOT _rc EQUAL 0)
        message(FATAL_ERROR "kstools ${ARGN} --help failed (${_rc})")
    endif()
    # Semicolons would split CMake lists; they come back in ks_man_escape.
    string(REPLACE ";" "<KSSEMICOLON>" _text "${_text}")
    string(REPLACE "\n" ";" _lines "${_text}")
    set(${out_var} "${_lines}" PARENT_SCOPE)
endfunction()

# Escapes one line of text for troff.
function(ks_man_escape out_var text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REPLACE "<KSSEMICOLON>" ";" text "${text}")
    if(text MATCHES "^[.']")
        set(text "\\&${text}")
    endif()
    set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# Adds the subcommand that a "Subcommands:" entry names to the list in
# list_var. An entry with aliases reads "set, edit": only the first name is
# the command (asking for the help of "set, edit" would print the parent's
# help again, and its subcommands without end).
function(ks_man_subcommand list_var section entry)
    if(section STREQUAL "Subcommands")
        string(REGEX REPLACE ",.*$" "" _name "${entry}")
        set(_list ${${list_var}})
        list(APPEND _list "${_name}")
        set(${list_var} "${_list}" PARENT_SCOPE)
    endif()
endfunction()

# Renders one help text: its description, usage and lists (Options:, Subcommands:,
# Positionals:) as tagged paragraphs, other lines as text. Section headers of
# the lists become `list_macro` lines (.SH at the top, .SS below).
# Appends to _page in the caller and names the subcommands in out_subs.
function(ks_man_render lines list_macro out_subs)
    set(_page "${_page}")
    set(_subs "")
    set(_in "")
    set(_entry_open OFF)
    set(_first ON)
    foreach(_line IN LISTS lines)
        if(_first)
            set(_first OFF)
            if(NOT _line MATCHES "^Usage:")
                ks_man_escape(_t "${_line}")
                string(APPEND _page "${_t}\n")
                continue()
            endif()
        endif()
        if(_line MATCHES "^Usage: (.*)$")
            ks_man_escape(_t "${CMAKE_MATCH_1}")
            string(APPEND _page ".PP\n.B ${_t}\n.PP\n")
        elseif(_line MATCHES "^([A-Z][a-z]+):$")
            set(_in "${CMAKE_MATCH_1}")
            string(TOUPPER "${_in}" _up)
            string(APPEND _page "${list_macro} ${_up}\n")
        elseif(_in AND _line MATCHES "^  ([^ ].*[^ ])  +([^ ].*)$")
            set(_entry "${CMAKE_MATCH_1}")
            ks_man_escape(_n "${CMAKE_MATCH_1}")
            ks_man_escape(_d "${CMAKE_MATCH_2}")
            string(APPEND _page ".TP\n.B ${_n}\n${_d}\n")
            ks_man_subcommand(_subs "${_in}" "${_entry}")
        elseif(_in AND _line MATCHES "^  ([^ ].*)$")
            # A long entry: its description starts on the next line.
            set(_entry "${CMAKE_MATCH_1}")
            ks_man_escape(_n "${CMAKE_MATCH_1}")
            string(APPEND _page ".TP\n.B ${_n}\n")
            ks_man_subcommand(_subs "${_in}" "${_entry}")
        elseif(_in AND _line MATCHES "^    +([^ ].*)$")
            ks_man_escape(_d "${CMAKE_MATCH_1}")
            string(APPEND _page "${_d}\n")
        elseif(_line STREQUAL "")
            set(_in "")
        else()
            ks_man_escape(_t "${_line}")
            string(APPEND _page ".PP\n${_t}\n")
        endif()
    endforeach()
    set(_page "${_page}" PARENT_SCOPE)
    set(${out_subs} "${_subs}" PARENT_SCOPE)
endfunction()

# One section per subcommand, depth first, under its full name.
function(ks_man_commands)
    ks_man_help(_lines ${ARGN})
    list(JOIN ARGN " " _name)
    string(APPEND _page ".SS \"kstools ${_name}\"\n")
    ks_man_render("${_lines}" ".PP\n.I" _subs)
    foreach(_sub IN LISTS _subs)
        ks_man_commands(${ARGN} ${_sub})
    endforeach()
    set(_page "${_page}" PARENT_SCOPE)
endfunction()

ks_man_help(_top)
list(POP_FRONT _top _summary)
string(REGEX REPLACE "^kstools: " "" _summary "${_summary}")
ks_man_escape(_summary "${_summary}")
set(_page ".TH KSTOOLS 1 \"\" \"kstools ${VERSION}\" \"User Commands\"\n.SH NAME\nkstools \\- ${_summary}\n.SH SYNOPSIS\n")
ks_man_render("${_top}" ".SH" _commands)
string(APPEND _page ".SH COMMANDS\n")
foreach(_cmd IN LISTS _commands)
    ks_man_commands(${_cmd})
endforeach()
file(WRITE ${OUT}.tmp "${_page}")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.tmp)
