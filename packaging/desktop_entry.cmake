# The desktop entry's values for an installation prefix, escaped by freedesktop.org's desktop
# entry rules (quoting in Exec, escapes in strings), so that any prefix gives a valid entry
# that starts the program.
# Included by the install step, which writes the entry for the prefix installed into.

# A string value: a backslash is written "\\", and a line break or tab as "\n", "\t".
function(pictavon_desktop_string out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\n" "\\n" text "${text}")
  string(REPLACE "\t" "\\t" text "${text}")
  string(REPLACE "\r" "\\r" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# One argument of the Exec key: in double quotes, within which ", `, $ and \ take a
# backslash before them; a literal % is written %% (a single one starts a field code); and
# the whole is then a string value as above, its backslashes doubled once more.
function(pictavon_desktop_exec_argument out argument)
  string(REPLACE "\\" "\\\\" argument "${argument}")
  string(REPLACE "\"" "\\\"" argument "${argument}")
  string(REPLACE "`" "\\`" argument "${argument}")
  string(REPLACE "$" "\\$" argument "${argument}")
  string(REPLACE "%" "%%" argument "${argument}")
  pictavon_desktop_string(argument "\"${argument}\"")
  set(${out} "${argument}" PARENT_SCOPE)
endfunction()
