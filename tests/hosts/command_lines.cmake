# The command-line contract of the host tools, one row per command line: the exit code, and
# a fragment that must appear in stderr (or, for exit 0, in either stream); a fifth field,
# VARIABLE=VALUE, sets a variable for that row alone. Run with
#   cmake -DBIN=<folder of the tools> -DSUFFIX=<.exe or empty> [-DRUNNER=<wine_run.sh>]
#         -DSOURCE=<the source tree, for the scripts' rows; skipped without it> -P this
# Arguments are separated by commas. Paths under @DIR@ are this run's own fixtures; the tools use a block name of their own.
cmake_minimum_required(VERSION 3.25)
set(rows
    "0|lcdhost|--help|usage: lcdhost"
    "0|tvhost|--help|usage: tvhost"
    "0|blockctl|--help|usage: blockctl"
    "0|lcdhost|--version|vistune 1.3.0.0"
    "0|tvhost|--version|glyphbox 1.1.0.0"
    "0|blockctl|--version|glyphbox-lcd"
    "2|lcdhost|--bogus|unknown option \"--bogus\""
    "2|lcdhost|--screen|--screen needs a value"
    "2|lcdhost|--seconds,abc|--seconds takes a number of seconds above 0"
    "2|lcdhost|--seconds,-3|not \"-3\""
    "2|lcdhost|--seconds,0|not \"0\""
    "2|tvhost|--seconds,abc|--seconds takes a number of seconds above 0"
    "2|lcdhost|--refresh,abc|--refresh takes a whole number from 1 to 3600000"
    "2|lcdhost|--refresh,10x|not \"10x\""
    "2|lcdhost|--size,20x4x2|W from 1 to 80 and H from 1 to 8"
    "2|lcdhost|--size,81x4|not \"81x4\""
    "2|lcdhost|--size,20x0|not \"20x0\""
    "2|lcdhost|--lcdproc,localhost:0|--lcdproc takes [HOST][:PORT] with PORT from 1 to 65535"
    "2|lcdhost|--lcdproc,:65536|not \":65536\""
    "2|lcdhost|--lcdproc,tv:12ab|not \"tv:12ab\""
    "2|lcdhost|--lcdproc,tv:|not \"tv:\""
    "2|lcdhost|--lcdproc,-x|unknown option \"-x\""
    "1|lcdhost|--lcdproc,127.0.0.1:1,--once|nothing was drawn on LCDd at 127.0.0.1:1"
    "1|lcdhost|--lcdproc,127.0.0.1:1,--once|cannot connect (Connection refused)"
    "2|blockctl|hold,abc|hold takes a number of seconds"
    "2|blockctl|set,recordSize,5|ambiguous: it may mean signal.recordSize and player.recordSize"
    "2|blockctl|set,nosuchfield,5|no field \"nosuchfield\""
    "2|blockctl|set,serviceLabel|set FIELD needs a value"
    "2|blockctl|frobnicate|unknown command \"frobnicate\""
    "2|blockctl||no command given"
    "2|lcdhost|--screen,@DIR@|is a folder, not a file"
    "2|tvhost|--scenario,@DIR@|is a folder, not a file"
    "2|tvhost|--scenario,@DIR@/missing.txt|no such file"
    "2|lcdhost|--screen,@DIR@/binary.bin|line 1: a NUL byte"
    "2|tvhost|--scenario,@DIR@/with-nul.txt|line 2: a NUL byte"
    "2|tvhost|--scenario,@DIR@/latin2.txt|line 1: the text is not UTF-8"
    "2|tvhost|--scenario,@DIR@/utf16.txt|the file is UTF-16"
    "2|tvhost|--scenario,@DIR@/huge.txt|at most 1048576 are read"
    "2|tvhost|--scenario,@DIR@/bom-bad.txt|line 2: no service has the number 9"
    "2|lcdhost|--screen,@DIR@/bom-bad-screen.txt|line 1: a call is"
    "1|lcdhost|--once,--frames,--png,@DIR@/no/such/folder/x.png|cannot write"
    "1|lcdhost|--once,--log,@DIR@/no/such/folder/log|cannot write"
    "1|tvhost|--log,@DIR@/no/such/folder/log,--scenario,@DIR@/bom.txt|cannot write"
    "0|tvhost|--scenario,@DIR@/bom.txt,--quiet|"
    "0|blockctl|set,serviceLabel,Kanal 1|this change ends with"
    "0|blockctl|fields|player.playState       0 stopped, 2 playing, 3 paused"
    "1|blockctl|dump|GLYPHBOX_BLOCK_NAME is set but names no block|GLYPHBOX_BLOCK_NAME="
    "1|blockctl|sample,hold,1|GLYPHBOX_BLOCK_NAME is set but names no block|GLYPHBOX_BLOCK_NAME=@HUGE@"
    "1|lcdhost|--once,--frames|GLYPHBOX_BLOCK_NAME is set but names no block|GLYPHBOX_BLOCK_NAME="
    "1|tvhost|--scenario,@DIR@/bom.txt,--quiet|GLYPHBOX_BLOCK_NAME is set but names no block|GLYPHBOX_BLOCK_NAME="
    "0|blockctl|set,serviceLabel,Kanal 1|this change ends with|GLYPHBOX_BLOCK_NAME=@LONG@"
    "0|scripts/demo.sh|--help|usage: scripts/demo.sh"
    "0|scripts/test.sh|--help|usage: scripts/test.sh"
    "0|scripts/fuzz.sh|--help|usage: scripts/fuzz.sh"
    "0|scripts/bench.sh|--help|usage: scripts/bench.sh"
    "0|scripts/latency.sh|--help|usage: scripts/latency.sh"
    "0|scripts/install_deps.sh|--help|usage: install_deps.sh"
    "0|scripts/demo.sh|--version|glyphbox 1.1.0.0, vistune 1.3.0.0"
    "2|scripts/demo.sh|--bogus|unknown option \"--bogus\""
    "2|scripts/test.sh|extra|takes no arguments"
    "2|scripts/fuzz.sh|abc|SECONDS is a whole number above 0"
    "2|scripts/install_deps.sh|everything|unknown need \"everything\""
)

string(RANDOM LENGTH 12 token)
set(dir ${CMAKE_CURRENT_BINARY_DIR}/command-lines-${token})
file(MAKE_DIRECTORY ${dir})
set(ENV{GLYPHBOX_BLOCK_NAME} "glyphbox-test-command-lines-${token}")
string(ASCII 239 187 191 bom)
string(ASCII 255 254 utf16)
file(WRITE ${dir}/bom.txt "${bom}service tv 1 \"A\" \"B\" \"\"\nat 0.2 quit\n")
file(WRITE ${dir}/bom-bad.txt "${bom}service tv 1 \"A\" \"B\" \"\"\nat 1 zap 9\n")
file(WRITE ${dir}/bom-bad-screen.txt "${bom}{f3:Type}\n")
file(WRITE ${dir}/utf16.txt "${utf16}s")
# CMake strings cannot hold a NUL byte; printf writes the files that need one. (Not "nul.txt":
# Windows takes that name for its null device.)
execute_process(COMMAND printf "service tv 1 \"A\" \"B\" \"\"\\nat 1 \\000quit\\n" OUTPUT_FILE ${dir}/with-nul.txt)
execute_process(COMMAND printf "\\000\\001\\377\\033[2J" OUTPUT_FILE ${dir}/binary.bin)
file(WRITE ${dir}/latin2.txt "service tv 1 \"")
string(ASCII 179 243 latin2)
file(APPEND ${dir}/latin2.txt "${latin2}\" \"B\" \"\"\n")
string(REPEAT "# a comment line that makes the file far too large for a scenario\n" 20000 huge)
file(WRITE ${dir}/huge.txt "${huge}")
# A block name past what the systems take, and one past what Windows holds in a variable.
string(REPEAT "n" 300 long_name)
string(PREPEND long_name "glyphbox-test-command-lines-${token}-")
string(REPEAT "n" 40000 huge_name)

set(failures 0)
foreach(row IN LISTS rows)
    string(REPLACE "|" ";" parts "${row}")
    list(LENGTH parts count)
    list(GET parts 0 expected)
    list(GET parts 1 tool)
    list(GET parts 2 args)
    set(fragment "")
    if(count GREATER 3)
        list(GET parts 3 fragment)
    endif()
    set(environment "")
    if(RUNNER AND row MATCHES "@HUGE@")
        continue()  # Windows holds no variable this long, and Wine mangles one
    endif()
    if(count GREATER 4)
        list(GET parts 4 variable)
        string(REPLACE "@LONG@" "${long_name}" variable "${variable}")
        string(REPLACE "@HUGE@" "${huge_name}" variable "${variable}")
        set(environment ${CMAKE_COMMAND} -E env "${variable}")
    endif()
    string(REPLACE "@DIR@" "${dir}" args "${args}")
    string(REPLACE "," ";" args "${args}")
    set(command ${RUNNER} ${BIN}/${tool}${SUFFIX})
    if(tool MATCHES "^scripts/")
        if(NOT SOURCE)
            continue()
        endif()
        set(command bash ${SOURCE}/${tool})
    endif()
    execute_process(COMMAND ${environment} ${command} ${args}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
    set(where "${err}")
    if(expected EQUAL 0)
        set(where "${out}${err}")
    endif()
    string(FIND "${where}" "${fragment}" at)
    if(NOT rc STREQUAL expected OR at EQUAL -1)
        message(SEND_ERROR "${tool} ${args}: exit ${rc} (want ${expected}), looked for \"${fragment}\"\n"
                           "stdout: ${out}\nstderr: ${err}")
        math(EXPR failures "${failures} + 1")
    endif()
endforeach()
file(REMOVE_RECURSE ${dir})
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} command line(s) broke the contract")
endif()
