# The commands of varno-batch(1), of the README's command table and of
# varno-batch --help are the same, and the man page's synopses are the
# program's usage lines, so none of them falls behind the program.
#   cmake -DEXE=varno-batch -DMANPAGE=varno-batch.1.in -DREADME=README.md -P ManPageCommands.cmake

# The man page: each command is a .TP entry whose line starts with its bold name.
file(STRINGS "${MANPAGE}" man_lines REGEX "^\\\\fB[a-z-]+\\\\fR")
set(man)
foreach(line IN LISTS man_lines)
  string(REGEX REPLACE "^\\\\fB([a-z-]+)\\\\fR.*" "\\1" name "${line}")
  list(APPEND man ${name})
endforeach()

# The README: the rows of the table under "| Command | What it does |", up to
# the first line that is not a row (read whole: rows hold semicolons).
file(READ "${README}" text)
string(FIND "${text}" "| Command | What it does |" start)
if(start LESS 0)
  message(FATAL_ERROR "no command table in ${README}")
endif()
string(SUBSTRING "${text}" ${start} -1 text)
string(FIND "${text}" "\n\n" end)
string(SUBSTRING "${text}" 0 ${end} table)
string(REGEX MATCHALL "\n\\| `[a-z-]+" rows "${table}")
set(readme)
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^\n\\| `" "" name "${row}")
  list(APPEND readme ${name})
endforeach()

# The program: two-space indented usage lines under "Commands:".
execute_process(COMMAND "${EXE}" --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "varno-batch --help failed (${status})")
endif()
string(REGEX MATCHALL "\n  [a-z-]+ " help_names "${help}")
set(program)
foreach(name IN LISTS help_names)
  string(STRIP "${name}" name)
  list(APPEND program ${name})
endforeach()

foreach(list man readme program)
  list(LENGTH ${list} n)
  if(n LESS 10)
    message(FATAL_ERROR "only ${n} commands found in the ${list}: the parse is broken")
  endif()
  list(SORT ${list})
  string(REPLACE ";" " " ${list}_text "${${list}}")
endforeach()
if(NOT man_text STREQUAL program_text OR NOT readme_text STREQUAL program_text)
  message(FATAL_ERROR "the commands differ:\n  varno-batch --help: ${program_text}\n"
    "  varno-batch(1):     ${man_text}\n  README table:       ${readme_text}")
endif()

# Each usage line of the program is a synopsis of the man page (unescaped).
set(man_synopses)
foreach(line IN LISTS man_lines)
  string(REPLACE "\\-" "-" line "${line}")
  string(REGEX REPLACE "\\\\f[BRI]" "" line "${line}")
  list(APPEND man_synopses "${line}")
endforeach()
string(REGEX MATCHALL "\n  [a-z-]+ [^\n]*" help_lines "${help}")
set(stale)
foreach(line IN LISTS help_lines)
  string(STRIP "${line}" line)
  list(FIND man_synopses "${line}" at)
  if(at LESS 0)
    string(APPEND stale "\n  ${line}")
  endif()
endforeach()
if(stale)
  message(FATAL_ERROR "varno-batch(1) lacks these synopses of varno-batch --help:${stale}")
endif()
