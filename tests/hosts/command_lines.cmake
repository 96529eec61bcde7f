# The command-line contract of the host tools, one row per command line: the exit code, a
# fragment that must appear in stderr (or, for exit 0, in either stream; "!" before it: must
# appear in neither), and a fifth field: either VARIABLE=VALUE, set for that row alone, or
# where standard output goes when not to a pipe read to its end: "full" (/dev/full),
# "closed" (a reader that leaves after one byte; the tool must end within 20 s), "stdout-closed"
# or "stderr-closed" (that descriptor and stdin closed when the tool starts), "nospace"
# (no file may grow past 4 KiB, which still leaves room for the block; natively only), or
# INT, TERM, HUP: that signal after 2 s (natively only); "native" or "wine": that build only;
# "ro-plugins": tvhost's Plugins folder read-only (natively only); "tty": run in a terminal
# (tmux, 80x24), the fragment looked for in its cells; "C-c": the same, one Ctrl-C typed once
# the fragment shows. After a terminal's row no process of the run may be left, nor any change
# to the tools' Plugins folder. After every row no status block may be left: however it ended,
# the tool let go of its block. A usage error (exit 2) prints nothing on standard output. Run
#   cmake -DBIN=<folder of the tools> -DSUFFIX=<.exe or empty> [-DRUNNER=<wine_run.sh>]
#         -DSOURCE=<the source tree, for the scripts' rows; skipped without it> -P this
# Arguments are separated by commas. Paths under @DIR@ are this run's own fixtures; the tools
# use a block name of their own.
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
    "2|lcdhost|--png,--once|--png needs a value, not the option \"--once\""
    "2|lcdhost|--screen,--once|--screen needs a value, not the option \"--once\""
    "2|lcdhost|--log,-x|--log needs a value, not the option \"-x\""
    "2|tvhost|--scenario,--quiet|--scenario needs a value, not the option \"--quiet\""
    "2|tvhost|--plugin,--seconds,1|--plugin needs a value, not the option \"--seconds\""
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
    "1|lcdhost|--lcdproc,127.0.0.1:1,--once|cannot connect (Connection refused). Start LCDd there, or name the server with --lcdproc HOST:PORT"
    "2|blockctl|hold,abc|hold takes a number of seconds"
    "2|blockctl|set,recordSize,5|ambiguous: it may mean signal.recordSize and player.recordSize"
    "2|blockctl|set,nosuchfield,5|no field \"nosuchfield\""
    "2|blockctl|set,serviceLabel|set FIELD needs a value"
    "2|blockctl|set,serviceLabel,Changed,set,caption,★|player.caption: \"★\" has no Windows-1250 byte"
    "0|blockctl|set,serviceLabel,Kanał Łódź,ask,ServiceLabel|Kanał Łódź"
    "0|blockctl|set,serviceLabel,Kanał Łódź,ask,ServiceLabel|Kanał Łódź|tty"
    "2|tvhost|--scenario,@DIR@/złe ★.txt|złe ★.txt: no such file"
    "0|tvhost|--scenario,@DIR@/zażółć ★.txt,--quiet|"
    "0|lcdhost|--once,--png,@DIR@/łódź ★.png|"
    "1|lcdhost|--once,--png,@DIR@/bad<name>.png|(Windows error 123)|wine"
    "2|blockctl|dump,set,volume,abc|player.volume takes a whole number (0 to 100), not \"abc\""
    "2|blockctl|set,playState,1|\"1\" is not a value of player.playState (0 stopped, 2 playing, 3 paused)"
    "2|blockctl|set,serviceKind,3|\"3\" is not a value of player.serviceKind"
    "2|blockctl|set,volume,101|\"101\" is not a value of player.volume (0 to 100)"
    "2|blockctl|set,volume,-1|\"-1\" is not a value of player.volume"
    "2|blockctl|set,signal.quality,300|\"300\" is not a value of signal.quality (0 to 100)"
    "2|blockctl|set,muted,2|\"2\" is not a value of player.muted (1 muted, 0 not)"
    "2|blockctl|set,serviceLabel,--bold|set FIELD needs a value, not the option \"--bold\""
    "0|blockctl|set,serviceLabel,--,--bold,dump|player.serviceLabel    --bold"
    "2|blockctl|frobnicate|unknown command \"frobnicate\""
    "2|blockctl||no command given"
    "2|lcdhost|--screen,@DIR@|is a folder, not a file"
    "2|tvhost|--scenario,@DIR@|is a folder, not a file"
    "2|tvhost|--scenario,@DIR@/missing.txt|no such file"
    "2|lcdhost|--screen,@DIR@/binary.bin|line 1: a NUL byte"
    "2|tvhost|--scenario,@DIR@/with-nul.txt|line 2: a NUL byte"
    "2|tvhost|--scenario,@DIR@/latin2.txt|line 1: the text is not UTF-8"
    "2|tvhost|--scenario,@DIR@/utf16.txt|the file is UTF-16"
    "2|tvhost|--scenario,@DIR@/huge.txt|files over 1048576 bytes are refused"
    "2|tvhost|--scenario,@DIR@/bom-bad.txt|line 2: no service has the number 9"
    "2|tvhost|--scenario,@DIR@/big-number.txt|line 1: \"99999999999\" is not a whole number from -2147483648 to 2147483647"
    "2|tvhost|--scenario,@DIR@/late.txt|line 2: \"100000\" is not a time in seconds from 0 to 86400"
    "2|tvhost|--scenario,@DIR@/hex-time.txt|line 2: \"0x0.8p1\" is not a time in seconds"
    "2|lcdhost|--once,--plugin,@DIR@/missing.dll|cannot load the display plug-in"
    "2|lcdhost|--once,--plugin,@DIR@|cannot load the display plug-in"
    "2|lcdhost|--once,--plugin,@DIR@/bom.txt|cannot load the display plug-in"
    "2|tvhost|--plugin,@DIR@/missing.dll|cannot load the tuner plug-in"
    "2|lcdhost|--once,--plugin,@DIR@/missing.dll|No such file|native"
    "2|lcdhost|--once,--plugin,@DIR@|Is a directory|native"
    "2|lcdhost|--once,--plugin,@DIR@/huge.txt|invalid ELF header|native"
    "2|lcdhost|--screen,@DIR@/bom-bad-screen.txt|line 1: a call is"
    "2|lcdhost|--screen,@DIR@/tab-screen.txt|line 2: a tab"
    "0|lcdhost|--help|[--lcdproc [HOST][:PORT]] [--ascii]"
    "2|lcdhost|--once,--frames,--png,@DIR@/no/such/folder/x.png|x.png: no such folder"
    "2|lcdhost|--once,--log,@DIR@/no/such/folder/log|log: no such folder"
    "2|tvhost|--log,@DIR@/no/such/folder/log,--scenario,@DIR@/bom.txt|log: no such folder"
    "2|lcdhost|--once,--png,@DIR@|is a folder, not a file"
    "2|lcdhost|--once,--log,@DIR@|is a folder, not a file"
    "2|tvhost|--log,@DIR@,--scenario,@DIR@/bom.txt|is a folder, not a file"
    "2|lcdhost|--once,--screen,@DIR@/fifo|fifo: is not a regular file|native"
    "2|lcdhost|--once,--png,@DIR@/fifo|fifo: is a pipe that no program reads|native"
    "2|lcdhost|--once,--log,@DIR@/fifo|fifo: is a pipe that no program reads|native"
    "2|tvhost|--scenario,@DIR@/fifo|fifo: is not a regular file|native"
    "2|tvhost|--log,@DIR@/fifo,--scenario,@DIR@/bom.txt|fifo: is a pipe that no program reads|native"
    "0|lcdhost|--once,--log,/dev/null,--png,/dev/null|!lcdhost:|native"
    "0|tvhost|--scenario,@DIR@/bom.txt,--log,/dev/null|!tvhost:|native"
    "0|lcdhost|--once,--log,NUL,--png,NUL|!lcdhost:|wine"
    "2|tvhost|--plugin,@DIR@/missing.dll,--seconds,1|cannot load the tuner plug-in"
    "2|blockctl|--plugin,@DIR@,sample,ask,Type|cannot load the display plug-in"
    "2|tvhost|--seconds,0x10|--seconds takes a number of seconds above 0 and at most 86400, not \"0x10\""
    "2|tvhost|--seconds,1e3|not \"1e3\""
    "2|lcdhost|--seconds,0x0.8p1|not \"0x0.8p1\""
    "2|lcdhost|--seconds,1e-9|not \"1e-9\""
    "2|tvhost|--seconds, 3|not \" 3\""
    "0|tvhost|--seconds,0.5,--quiet|"
    "2|blockctl|hold,1e1|hold takes a number of seconds above 0 and at most 86400, not \"1e1\""
    "2|blockctl|hold,0x2|not \"0x2\""
    "2|lcdhost|--refresh,1e3|--refresh takes a whole number from 1 to 3600000, not \"1e3\""
    "2|lcdhost|--refresh,+5|not \"+5\""
    "2|lcdhost|--size, 20x4|not \" 20x4\""
    "2|blockctl|set,volume,0x20|player.volume takes a whole number (0 to 100), not \"0x20\""
    "2|blockctl|set,volume,+5|player.volume takes a whole number (0 to 100), not \"+5\""
    "2|tvhost|--seconds,5,--seconds,6|--seconds is given twice"
    "2|lcdhost|--once,--png,@DIR@/a.png,--png,@DIR@/b.png|--png is given twice"
    "2|lcdhost|--once,--once|--once is given twice"
    "2|blockctl|--plugin,x,--plugin,y,dump|--plugin is given twice"
    "0|blockctl|--help,extra|usage: blockctl"
    "0|blockctl|dump,--help|usage: blockctl"
    "0|tvhost|--help,extra|usage: tvhost"
    "0|lcdhost|--once,--version|vistune 1.3.0.0"
    "0|blockctl|set,serviceLabel,--,--help,dump|player.serviceLabel    --help"
    "2|tvhost|extra|unexpected word \"extra\""
    "2|lcdhost|--once,extra|unexpected word \"extra\""
    "2|blockctl|-x|unknown option \"-x\""
    "1|lcdhost|--frames,--once|cannot write to standard output: No space left on device|full"
    "1|tvhost|--scenario,@DIR@/bom.txt|cannot write to standard output: No space left on device|full"
    "1|blockctl|fields|cannot write to standard output: No space left on device|full"
    "1|blockctl|--version|cannot write to standard output|full"
    "1|lcdhost|--frames,--seconds,60|cannot write to standard output: Broken pipe|closed"
    "1|lcdhost|--once|cannot write to standard output: Bad file descriptor|stdout-closed"
    "1|tvhost|--scenario,@DIR@/bom.txt|cannot write to standard output: Bad file descriptor|stdout-closed"
    "1|blockctl|sample,dump|cannot write to standard output: Bad file descriptor|stdout-closed"
    "0|blockctl|dump|blockSize              0|stderr-closed"
    "0|tvhost|--scenario,@DIR@/bom.txt|[tvhost] loaded|stderr-closed"
    "130|lcdhost|--frames,--seconds,30||INT"
    "143|lcdhost|--frames,--seconds,30||TERM"
    "129|blockctl|sample,hold,30||HUP"
    "0|blockctl|sample,hold,4|!note:|HUP-ignored"
    "130|tvhost|--seconds,30||INT"
    "1|tvhost|--log,@DIR@/full.log,--scenario,@DIR@/events.txt|full.log: cannot be written: File too large|nospace"
    "1|lcdhost|--once,--png,@DIR@/x.png|x.png: cannot be written: File too large|nospace"
    "0|tvhost|--scenario,@DIR@/bom.txt,--quiet|"
    "1|tvhost|--scenario,@DIR@/menu.txt,--quiet|could not save its settings in|ro-plugins"
    "0|blockctl|set,serviceLabel,Kanal 1|this change ends with"
    "0|blockctl|sample,ask,EPGNoTime|!this change ends with"
    "0|blockctl|sample,show|!note:"
    "0|blockctl|sample,dump|!note:"
    "0|blockctl|dump|no program holds the status block, so it is empty"
    "0|blockctl|fields|player.playState       0 stopped, 2 playing, 3 paused"
    "1|blockctl|dump|GLYPHBOX_BLOCK_NAME is set but names no block|GLYPHBOX_BLOCK_NAME="
    "1|blockctl|sample,hold,1|GLYPHBOX_BLOCK_NAME is set but names no block|GLYPHBOX_BLOCK_NAME=@HUGE@"
    "1|lcdhost|--once,--frames|GLYPHBOX_BLOCK_NAME is set but names no block|GLYPHBOX_BLOCK_NAME="
    "1|tvhost|--scenario,@DIR@/bom.txt,--quiet|GLYPHBOX_BLOCK_NAME is set but names no block|GLYPHBOX_BLOCK_NAME="
    "0|blockctl|set,serviceLabel,Kanal 1|this change ends with|GLYPHBOX_BLOCK_NAME=@LONG@"
    "0|blockctl|fields|player.volume          0 to 100"
    "0|scripts/demo.sh|--help|usage: scripts/demo.sh"
    "0|scripts/test.sh|--help|usage: scripts/test.sh"
    "0|scripts/fuzz.sh|--help|usage: scripts/fuzz.sh"
    "0|scripts/bench.sh|--help|usage: scripts/bench.sh"
    "0|scripts/latency.sh|--help|usage: scripts/latency.sh"
    "0|scripts/install_deps.sh|--help|usage: install_deps.sh"
    "0|scripts/demo.sh|--version|glyphbox 1.1.0.0, vistune 1.3.0.0"
    "2|scripts/demo.sh|--bogus|unknown option \"--bogus\""
    "2|scripts/demo.sh|extra|unexpected word \"extra\""
    "130|scripts/demo.sh||lcdhost: built-in TV screen|C-c"
    "1|scripts/demo.sh||GLYPHBOX_BLOCK_NAME is set but names no block|GLYPHBOX_BLOCK_NAME=,PATH=@DIR@/no-log:@PATH@"
    "1|scripts/demo.sh||demo.sh: the build failed|PATH=@DIR@/no-compiler:@PATH@"
    "1|scripts/demo.sh||another demo is running in build/native|PATH=@DIR@/second-demo:@PATH@"
    "2|scripts/demo.sh|--wine,--wine|--wine is given twice"
    "2|scripts/demo.sh|--wine,--bogus|Try \"demo.sh --help\"."
    "2|scripts/test.sh|extra|takes no arguments"
    "2|scripts/bench.sh|extra|unexpected word \"extra\"|BENCH_PROCESSES=0"
    "2|scripts/fuzz.sh|abc|SECONDS is a whole number above 0"
    "2|scripts/install_deps.sh|everything|unknown need \"everything\""
)

string(RANDOM LENGTH 12 token)
set(dir ${CMAKE_CURRENT_BINARY_DIR}/command-lines-${token})
file(MAKE_DIRECTORY ${dir})
set(ENV{GLYPHBOX_BLOCK_NAME} "glyphbox-test-command-lines-${token}")
# tvhost runs as a copy with a Plugins folder of its own: its plug-in saves its settings beside
# its host, and the user's bin/Plugins must never be touched.
set(tuner_plugin libglyphbox.so)
if(SUFFIX STREQUAL ".exe")
    set(tuner_plugin glyphbox.dll)
endif()
file(COPY ${BIN}/tvhost${SUFFIX} ${BIN}/${tuner_plugin} DESTINATION "${dir}/tv ż")
file(MAKE_DIRECTORY "${dir}/tv ż/Plugins")
string(ASCII 239 187 191 bom)
string(ASCII 255 254 utf16)
file(WRITE ${dir}/bom.txt "${bom}service tv 1 \"A\" \"B\" \"\"\nat 0.2 quit\n")
file(WRITE ${dir}/menu.txt "service tv 1 \"A\" \"B\" \"\"\nat 0.1 menu 40062\nat 0.5 quit\n")
file(WRITE "${dir}/zażółć ★.txt" "service tv 1 \"A\" \"B\" \"\"\nat 0.2 quit\n")
file(WRITE ${dir}/events.txt "service tv 1 \"A\" \"B\" \"\"\nat 0.1 volume 5\nat 30 quit\n")
file(WRITE ${dir}/big-number.txt "service tv 99999999999 \"A\" \"B\" \"\"\n")
file(WRITE ${dir}/late.txt "service tv 1 \"A\" \"B\" \"\"\nat 100000 quit\n")
file(WRITE ${dir}/hex-time.txt "service tv 1 \"A\" \"B\" \"\"\nat 0x0.8p1 quit\n")
file(WRITE ${dir}/bom-bad.txt "${bom}service tv 1 \"A\" \"B\" \"\"\nat 1 zap 9\n")
file(WRITE ${dir}/tab-screen.txt "{f1:ServiceLabel}\nQ\t{f1:SigQuality}\n")
file(WRITE ${dir}/bom-bad-screen.txt "${bom}{f3:Type}\n")
file(WRITE ${dir}/utf16.txt "${utf16}s")
# CMake strings cannot hold a NUL byte; printf writes the files that need one. (Not "nul.txt":
# Windows takes that name for its null device.)
execute_process(COMMAND printf "service tv 1 \"A\" \"B\" \"\"\\nat 1 \\000quit\\n" OUTPUT_FILE ${dir}/with-nul.txt)
execute_process(COMMAND printf "\\000\\001\\377\\033[2J" OUTPUT_FILE ${dir}/binary.bin)
file(WRITE ${dir}/latin2.txt "service tv 1 \"")
string(ASCII 179 243 latin2)
file(APPEND ${dir}/latin2.txt "${latin2}\" \"B\" \"\"\n")
execute_process(COMMAND mkfifo ${dir}/fifo)
string(REPEAT "a log already at the size limit\n" 400 full_log)
file(WRITE ${dir}/full.log "${full_log}")
string(REPEAT "# a comment line that makes the file far too large for a scenario\n" 20000 huge)
file(WRITE ${dir}/huge.txt "${huge}")
# A block name past what the systems take, and one past what Windows holds in a variable.
string(REPEAT "n" 300 long_name)
string(PREPEND long_name "glyphbox-test-command-lines-${token}-")
string(REPEAT "n" 40000 huge_name)
file(WRITE ${dir}/no-compiler/cmake "#!/bin/sh\n[ \"$1\" != --build ] || { echo 'error: no compiler' >&2; exit 2; }\nexec ${CMAKE_COMMAND} \"$@\"\n")
file(WRITE ${dir}/no-log/tee "#!/bin/sh\ncat\nexit 1\n")
file(WRITE ${dir}/second-demo/cmake "#!/bin/sh\n[ \"$1\" != --build ] || [ -n \"$NESTED\" ] || NESTED=1 GLYPHBOX_BLOCK_NAME= exec bash ${SOURCE}/scripts/demo.sh\nexec ${CMAKE_COMMAND} \"$@\"\n")
file(CHMOD ${dir}/no-compiler/cmake ${dir}/no-log/tee ${dir}/second-demo/cmake PERMISSIONS OWNER_READ OWNER_EXECUTE)

set(failures 0)
foreach(row IN LISTS rows)
    string(REPLACE "|" ";" parts "${row}")
    list(LENGTH parts count)
    list(GET parts 0 expected)
    list(GET parts 1 tool)
    list(GET parts 2 args)
    set(fragment "")
    set(output "")
    if(count GREATER 3)
        list(GET parts 3 fragment)
    endif()
    set(environment "")
    if(RUNNER AND row MATCHES "@HUGE@")
        continue()  # Windows holds no variable this long, and Wine mangles one
    endif()
    if(count GREATER 4)
        list(GET parts 4 output)
        if(output MATCHES "^[A-Z_]+=")
            string(REPLACE "@LONG@" "${long_name}" output "${output}")
            string(REPLACE "@HUGE@" "${huge_name}" output "${output}")
            string(REPLACE "," ";" output "${output}")
            string(REPLACE "@PATH@" "$ENV{PATH}" output "${output}")
            string(REPLACE "@DIR@" "${dir}" output "${output}")
            set(environment ${CMAKE_COMMAND} -E env "${output}")
            set(output "")
        endif()
    endif()
    string(REPLACE "@DIR@" "${dir}" args "${args}")
    string(REPLACE "," ";" args "${args}")
    set(command ${RUNNER} ${BIN}/${tool}${SUFFIX})
    if(tool STREQUAL "tvhost")
        set(command ${RUNNER} "${dir}/tv ż/tvhost${SUFFIX}")
    endif()
    if(tool MATCHES "^scripts/")
        if(NOT SOURCE)
            continue()
        endif()
        set(command bash ${SOURCE}/${tool})
    endif()
    set(out "")
    if(output STREQUAL "full")
        execute_process(COMMAND ${environment} ${command} ${args} OUTPUT_FILE /dev/full
                        RESULT_VARIABLE rc ERROR_VARIABLE err TIMEOUT 60)
    elseif(output STREQUAL "closed")
        execute_process(COMMAND ${environment} ${command} ${args} COMMAND head -c 1
                        RESULTS_VARIABLE results OUTPUT_QUIET ERROR_VARIABLE err TIMEOUT 20)
        list(GET results 0 rc)
    elseif((output STREQUAL "native" AND RUNNER) OR (output STREQUAL "wine" AND NOT RUNNER))
        continue()
    elseif(output MATCHES "^(INT|TERM|HUP)$")
        if(RUNNER)
            continue()
        endif()
        execute_process(COMMAND timeout --preserve-status -s ${output} 2 ${command} ${args}
                        RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err TIMEOUT 60)
    elseif(output STREQUAL "HUP-ignored")
        if(RUNNER)
            continue()
        endif()
        execute_process(COMMAND timeout --preserve-status -s HUP 2 sh -c "trap '' HUP; exec \"$@\"" sh
                                ${command} ${args}
                        RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err TIMEOUT 60)
    elseif(output MATCHES "^std(out|err)-closed$")
        # The stream is closed before the tool starts; the first file it opens must not take it.
        string(REGEX REPLACE "^stdout.*" "1" fd "${output}")
        string(REGEX REPLACE "^stderr.*" "2" fd "${fd}")
        execute_process(COMMAND sh -c "exec \"$@\" 0<&- ${fd}>&-" sh ${command} ${args}
                        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
    elseif(output MATCHES "^(C-c|tty)$")
        # A terminal's cells, read back: on Windows a console, which only WriteConsoleW fills
        # right. A Ctrl-C typed there reaches the whole foreground process group.
        file(GLOB plugins_before ${BIN}/Plugins ${BIN}/Plugins/*)
        string(REPLACE "tty" "" keys "${output}")
        execute_process(COMMAND bash -c [=[
            sock=$1 rc=$2 fragment=$3 keys=$4; shift 4
            tmux -L "$sock" new-session -d -x 80 -y 24 "$(printf '%q ' "$@"); echo \$? >$rc; sleep 60"
            for _ in $(seq 1200); do
                [ -n "$keys" ] || break
                tmux -L "$sock" capture-pane -p | grep -qF -- "$fragment" && break
                sleep 0.1
            done
            [ -z "$keys" ] || tmux -L "$sock" capture-pane -p >&2
            [ -z "$keys" ] || tmux -L "$sock" send-keys "$keys"
            for _ in $(seq 1200); do [ -s "$rc" ] && break; sleep 0.1; done
            [ -n "$keys" ] || tmux -L "$sock" capture-pane -p >&2
            tmux -L "$sock" kill-server 2>/dev/null
            exit "$(cat "$rc" 2>/dev/null || echo 124)"]=] sh glyphbox-test-${token} ${dir}/rc "${fragment}" "${keys}"
                env GLYPHBOX_TEST_MARK=C-c-${token} ${command} ${args}
                        RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err TIMEOUT 200)
        file(REMOVE ${dir}/rc)
        file(GLOB plugins_after ${BIN}/Plugins ${BIN}/Plugins/*)
        execute_process(COMMAND sh -c "grep -l C-c-${token} /proc/[0-9]*/environ 2>/dev/null"
                        OUTPUT_VARIABLE left)
        if(NOT plugins_before STREQUAL plugins_after OR NOT left STREQUAL "")
            string(APPEND err "\nleft behind: ${plugins_after} ${left}")
            set(rc "left behind")
        endif()
    elseif(output STREQUAL "ro-plugins")
        if(RUNNER)
            continue()
        endif()
        # tvhost's Plugins folder on a read-only mount seen by this run alone. Root needs no
        # user namespace for it, and inside a chroot it may not make one.
        execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
        set(namespaces -rm)
        if(uid STREQUAL "0")
            set(namespaces -m)
        endif()
        # In a chroot the root is no mount point, so its propagation cannot be made private;
        # fresh_check.sh's chroot is inside a private mount namespace already.
        execute_process(COMMAND unshare ${namespaces} true RESULT_VARIABLE private_refused)
        if(NOT private_refused EQUAL 0)
            list(APPEND namespaces --propagation unchanged)
        endif()
        execute_process(COMMAND unshare ${namespaces} sh -c "mount -o bind,ro \"$0\" \"$0\" && exec \"$@\""
                                "${dir}/tv ż/Plugins" ${command} ${args}
                        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
    elseif(output STREQUAL "nospace")
        if(RUNNER)
            continue()
        endif()
        # SIGXFSZ at its default: the tools themselves make a write past the limit fail.
        execute_process(COMMAND sh -c "ulimit -f 8; exec \"$@\"" sh ${command} ${args}
                        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
    else()
        execute_process(COMMAND ${environment} ${command} ${args}
                        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
    endif()
    set(where "${err}")
    if(expected EQUAL 0)
        set(where "${out}${err}")
    endif()
    set(absent FALSE)
    if(fragment MATCHES "^!")
        set(absent TRUE)
        string(SUBSTRING "${fragment}" 1 -1 fragment)
    endif()
    string(FIND "${where}" "${fragment}" at)
    set(found TRUE)
    if(at EQUAL -1)
        set(found FALSE)
    endif()
    if(NOT rc STREQUAL expected OR found STREQUAL absent OR (expected EQUAL 2 AND NOT out STREQUAL ""))
        message(SEND_ERROR "${tool} ${args}: exit ${rc} (want ${expected}), looked for \"${fragment}\"\n"
                           "stdout: ${out}\nstderr: ${err}")
        math(EXPR failures "${failures} + 1")
        if(RUNNER AND output STREQUAL "")  # Wine's own errors tell its failures from the tool's
            execute_process(COMMAND ${CMAKE_COMMAND} -E env WINEDEBUG=err+all ${environment} ${command}
                            ${args} OUTPUT_QUIET ERROR_VARIABLE wine_errors TIMEOUT 60)
            message(NOTICE "run again with Wine's errors shown:\n${wine_errors}")
        endif()
    endif()
    file(GLOB leftovers /dev/shm/*${token}*)
    if(leftovers)
        message(SEND_ERROR "${tool} ${args}: left its status block behind: ${leftovers}")
        math(EXPR failures "${failures} + 1")
        file(REMOVE ${leftovers})
    endif()
endforeach()
if(NOT EXISTS "${dir}/tv ż/Plugins/glyphbox.ini")
    message(SEND_ERROR "no tvhost row saved its settings beside the copy of tvhost that ran")
    math(EXPR failures "${failures} + 1")
endif()
file(REMOVE_RECURSE ${dir})
if(failures GREATER 0)
    message(FATAL_ERROR "${failures} command line(s) broke the contract")
endif()
