# Runs the built kestrane-cli on real files: exit statuses, the summary, a dry run, restore, and
# non-ASCII names on the command line. Under Wine for the Windows build.
# cmake -DCLI=program -DEMULATOR=runner|args (or empty) -DVERSION=x -DWORK=folder -P this file
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

set(failures 0)
macro(fail what)
  message(SEND_ERROR "${what}")
  math(EXPR failures "${failures} + 1")
endmacro()

# run(STATUS ERR regex [OUT regex] [ENV VAR=value...] ARGS ...): runs the tool in WORK and checks
# what it did.
function(run)
  cmake_parse_arguments(RUN "" "STATUS;ERR;OUT" "ARGS;ENV" ${ARGN})
  set(env "")
  if(RUN_ENV)
    set(env env ${RUN_ENV})
  endif()
  execute_process(COMMAND ${env} ${emulator} ${CLI} ${RUN_ARGS} WORKING_DIRECTORY "${WORK}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REPLACE "\r" "" out "${out}")
  string(REPLACE "\r" "" err "${err}")
  if(NOT status STREQUAL RUN_STATUS)
    fail("kestrane-cli ${RUN_ARGS}: status ${status}, expected ${RUN_STATUS}\n${out}${err}")
  endif()
  if(NOT err MATCHES "${RUN_ERR}")
    fail("kestrane-cli ${RUN_ARGS}: standard error\n${err}does not match ${RUN_ERR}")
  endif()
  if(DEFINED RUN_OUT AND NOT out MATCHES "${RUN_OUT}")
    fail("kestrane-cli ${RUN_ARGS}: standard output\n${out}does not match ${RUN_OUT}")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

# The names and hashes of every file below a folder.
function(snapshot folder var)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${folder}" "${folder}/*")
  list(SORT files)
  set(result "")
  foreach(name IN LISTS files)
    file(SHA1 "${folder}/${name}" hash)
    string(APPEND result "${name} ${hash}\n")
  endforeach()
  set(${var} "${result}" PARENT_SCOPE)
endfunction()

function(expect_bytes path expected)
  if(NOT EXISTS "${WORK}/${path}")
    fail("${path} is missing")
    set(failures ${failures} PARENT_SCOPE)
    return()
  endif()
  file(READ "${WORK}/${path}" actual HEX)
  string(HEX "${expected}" expected)
  if(NOT actual STREQUAL expected)
    fail("${path} holds ${actual}, expected ${expected}")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

set(subrip "1\r\n00:00:01,000 --> 00:00:04,000\r\nHello\r\n\r\n")
set(unicode "Ünïcødé 字幕")
file(WRITE "${WORK}/tree/a.txt" "${subrip}")
file(WRITE "${WORK}/tree/sub/b.TXT" "${subrip}")
file(WRITE "${WORK}/tree/kept.txt" "${subrip}")
file(WRITE "${WORK}/tree/kept.txt_original" "an earlier original")
file(WRITE "${WORK}/tree/empty.txt" "no cue here\r\n")
file(WRITE "${WORK}/tree/notes.srt" "${subrip}")
file(WRITE "${WORK}/tree/${unicode}/ß.txt" "${subrip}")
string(REPEAT "n" 250 long)
file(WRITE "${WORK}/fails/${long}.txt" "${subrip}")

# Usage errors: one line, status 2, nothing touched.
snapshot("${WORK}" before)
run(STATUS 2 ERR "^kestrane-cli: no PATH given[^\n]*\n$")
run(STATUS 2 ERR "^kestrane-cli: [^\n]*--bogus[^\n]*\n$" ARGS --bogus tree)
run(STATUS 2 ERR "^kestrane-cli: [^\n]*nowhere: no such file or folder\n$" ARGS tree nowhere)
run(STATUS 0 ERR "^$" OUT "^kestrane-cli ${VERSION}\n$" ARGS --version)
run(STATUS 0 ERR "^$" OUT "--dry-run" ARGS --help)

# A dry run reports everything and writes nothing.
run(STATUS 0 ARGS -n tree
    ERR "^would convert 3, skipped 2 \\(backup exists 1, no subtitle 1\\), failed 0\n$")
snapshot("${WORK}" after)
if(NOT after STREQUAL before)
  fail("the dry run or a usage error changed files:\n${before}---\n${after}")
endif()

run(STATUS 0 ARGS tree ERR "^converted 3, skipped 2 \\(backup exists 1, no subtitle 1\\), failed 0\n$")
expect_bytes("tree/a.txt_original" "${subrip}")
expect_bytes("tree/sub/b.TXT_original" "${subrip}")
expect_bytes("tree/${unicode}/ß.txt_original" "${subrip}")
expect_bytes("tree/notes.srt" "${subrip}")
file(READ "${WORK}/tree/a.txt" converted HEX)
if(NOT converted MATCHES "^efbbbf")
  fail("tree/a.txt was not converted: ${converted}")
endif()

# Again: everything has its backup now, and nothing changes.
snapshot("${WORK}/tree" converted_tree)
run(STATUS 0 ARGS -q tree ERR "^$")
run(STATUS 0 ARGS tree ERR "^converted 0, skipped 5 \\(backup exists 4, no subtitle 1\\), failed 0\n$")
snapshot("${WORK}/tree" again)
if(NOT again STREQUAL converted_tree)
  fail("a second run changed the converted tree")
endif()

# A name too long for its work file fails; the original stays as it was.
run(STATUS 1 ARGS fails ERR "^kestrane-cli: [^\n]*: failed, [^\n]*\nconverted 0, skipped 0, failed 1\n$")
expect_bytes("fails/${long}.txt" "${subrip}")

# Restore gives back the original bytes, and leaves the file that was never converted alone.
run(STATUS 0 ARGS --restore -v tree
    OUT "kept.txt_original: skipped, changed since it was converted\n"
    ERR "^restored 3, skipped 1 \\(changed since it was converted 1\\), failed 0\n$")
expect_bytes("tree/a.txt" "${subrip}")
expect_bytes("tree/sub/b.TXT" "${subrip}")
expect_bytes("tree/${unicode}/ß.txt" "${subrip}")
expect_bytes("tree/kept.txt" "${subrip}")
expect_bytes("tree/kept.txt_original" "an earlier original")
if(EXISTS "${WORK}/tree/a.txt_original")
  fail("tree/a.txt_original is still there after the restore")
endif()

# One file named, with a name outside ASCII, converts that file alone.
run(STATUS 0 ARGS -v "tree/${unicode}/ß.txt" OUT "ß.txt: converted, 1 cue\n"
    ERR "^converted 1, skipped 0, failed 0\n$")
expect_bytes("tree/${unicode}/ß.txt_original" "${subrip}")
expect_bytes("tree/a.txt" "${subrip}")

# Names a terminal would obey, or that would break a report in two or read backwards: escaped in
# every report, and given back exactly by --json. A Windows name cannot hold a C0 control or a
# backslash, and Wine shows a name that is not UTF-8 mended, so those are tried natively only.
string(ASCII 27 esc)
string(ASCII 127 del)
string(ASCII 194 155 csi)           # U+009B, a C1 control
string(ASCII 226 128 174 rlo)       # U+202E, right-to-left override
string(ASCII 255 not_utf8)
set(names "del${del}.txt" "c1 ${csi}2J.txt" "rlo${rlo}txt.exe.txt" "${unicode}.txt")
set(shown "del\\x7f.txt" "c1 \\u009b2J.txt" "rlo\\u202etxt.exe.txt" "${unicode}.txt")
if(emulator)
  set(sep "\\")
else()
  set(sep "/")
  list(APPEND names "esc${esc}7${esc}8.txt" "line\nfeed\r.txt" "tab\t.txt" "bad${not_utf8}.txt"
       "back\\slash.txt")
  list(APPEND shown "esc\\e7\\e8.txt" "line\\nfeed\\r.txt" "tab\\t.txt" "bad\\xff.txt"
       "back\\\\slash.txt")
endif()
# A name of 251 bytes: its work file's name is too long, so it fails, and the system's message
# names it too.
set(pads "")
foreach(name IN LISTS names)
  file(WRITE "${WORK}/names/${name}" "${subrip}")
  string(LENGTH "${name}" length)
  math(EXPR length "251 - ${length}")
  string(REPEAT "n" ${length} pad)
  list(APPEND pads "${pad}")
  file(WRITE "${WORK}/failing/${pad}${name}" "${subrip}")
endforeach()

# No byte below 0x20 but the line ends, no DEL, no C1 and no bidirectional control.
function(expect_safe what text)
  string(HEX "${text}" hex)
  if(hex MATCHES "^(..)*(0[0-9b-f]|1[0-9a-f]|7f|c2[89][0-9a-f]|e2808[ef]|e280a[89a-e]|e281a[6-9])")
    fail("${what} reached the terminal unescaped: ${text}")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

list(LENGTH names count)
math(EXPR last "${count} - 1")
execute_process(COMMAND ${emulator} ${CLI} -n -v names WORKING_DIRECTORY "${WORK}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
execute_process(COMMAND ${emulator} ${CLI} failing WORKING_DIRECTORY "${WORK}"
                OUTPUT_VARIABLE failed_out ERROR_VARIABLE failed)
expect_safe("kestrane-cli -v" "${out}${err}")
expect_safe("a failure" "${failed_out}${failed}")
string(REGEX MATCHALL "\n" lines "${out}")
list(LENGTH lines lines)
if(NOT lines EQUAL count)
  fail("kestrane-cli -v gave ${lines} lines for ${count} names:\n${out}")
endif()
foreach(i RANGE ${last})
  list(GET shown ${i} expected)
  string(FIND "${out}" "names${sep}${expected}: would convert, 1 cue\n" at)
  if(at EQUAL -1)
    fail("kestrane-cli -v does not show ${expected} in:\n${out}")
  endif()
  list(GET pads ${i} pad)
  string(FIND "${failed}" "failing${sep}${pad}${expected}: failed, " at)
  if(at EQUAL -1)
    fail("the failure of ${expected} is not shown so:\n${failed}")
  endif()
endforeach()
if(NOT failed MATCHES "failed ${count}\n$")
  fail("the failures are not reported:\n${failed}")
endif()

# Every line of --json parses, and its paths are the names on disk, byte for byte.
execute_process(COMMAND ${emulator} ${CLI} -n --json names WORKING_DIRECTORY "${WORK}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
string(REPLACE "\r" "" out "${out}")
string(REGEX REPLACE "\n$" "" out "${out}")
string(REPLACE "\n" ";" records "${out}")
set(from_json "")
foreach(record IN LISTS records)
  string(JSON path ERROR_VARIABLE error GET "${record}" path)
  if(error)
    string(JSON counts ERROR_VARIABLE error GET "${record}" summary would\ convert)
    if(error OR NOT counts EQUAL count)
      fail("--json gave a line that is neither a file nor the counts: ${record}")
    endif()
    continue()
  endif()
  string(JSON bytes ERROR_VARIABLE no_bytes GET "${record}" path_bytes)
  if(no_bytes)
    string(HEX "${path}" bytes)
  endif()
  list(APPEND from_json "${bytes}")
endforeach()
# Windows' kestrane-cli makes a relative path absolute; Wine shows the folder on drive Z:.
set(prefix "")
if(emulator)
  string(REPLACE "/" "\\" prefix "Z:${WORK}\\")
endif()
set(on_disk "")
foreach(name IN LISTS names)
  string(HEX "${prefix}names${sep}${name}" bytes)
  list(APPEND on_disk "${bytes}")
endforeach()
list(SORT from_json)
list(SORT on_disk)
if(NOT from_json STREQUAL on_disk)
  fail("--json names\n${from_json}\nbut the names on disk are\n${on_disk}\n${out}")
endif()

# Windows PowerShell passes 'names\' -n -v as "names\" -n -v. A batch file hands its command line
# to the program as it is written.
if(emulator)
  string(REPLACE "/" "\\" exe "Z:${CLI}")
  file(WRITE "${WORK}/powershell.bat" "@${exe} \"names\\\" -n -v\r\n")
  execute_process(COMMAND ${emulator} cmd /c powershell.bat WORKING_DIRECTORY "${WORK}"
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX MATCHALL "would convert, 1 cue" lines "${out}")
  list(LENGTH lines lines)
  if(NOT status EQUAL 0 OR NOT lines EQUAL count)
    fail("a folder quoted as PowerShell quotes it: status ${status}\n${out}${err}")
  endif()
endif()

# A drive-relative argument names a folder from that drive's current folder, which is where the
# program was started: Wine shows it on drive Z:.
if(emulator)
  file(WRITE "${WORK}/drive/a.txt" "${subrip}")
  file(WRITE "${WORK}/drive/sub/b.txt" "${subrip}")
  foreach(arg_and_count "Z:;2" "Z:sub;1" "Z:sub\\b.txt;1")
    list(GET arg_and_count 0 arg)
    list(GET arg_and_count 1 count)
    execute_process(COMMAND ${emulator} ${CLI} -n ${arg} WORKING_DIRECTORY "${WORK}/drive"
                    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT status EQUAL 0 OR NOT err MATCHES "^would convert ${count}, ")
      fail("kestrane-cli -n ${arg}: status ${status}, expected ${count} files\n${out}${err}")
    endif()
  endforeach()
endif()

# Under a low limit on open files (ulimit -n 64) the batches shrink to fit it: every file of a
# thousand converts, none fails for want of a descriptor.
if(NOT emulator)
  foreach(i RANGE 1 1000)
    file(WRITE "${WORK}/many/${i}.txt" "${subrip}")
  endforeach()
  execute_process(COMMAND /bin/sh -c "ulimit -n 64 && exec \"$0\" many" "${CLI}"
                  WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status ERROR_VARIABLE err)
  file(GLOB backups "${WORK}/many/*.txt_original")
  list(LENGTH backups count)
  if(NOT status EQUAL 0 OR NOT count EQUAL 1000)
    string(SUBSTRING "${err}" 0 400 err)
    fail("under ulimit -n 64: status ${status}, ${count} of 1000 converted\n${err}")
  endif()
endif()

# Legacy text, as the same bytes on every system: each file holds one cue in its own code page.
# bytes(VAR HEX): the bytes that HEX spells.
function(bytes var hex)
  string(LENGTH "${hex}" length)
  set(result "")
  foreach(at RANGE 0 ${length} 2)
    if(at LESS length)
      string(SUBSTRING "${hex}" ${at} 2 pair)
      math(EXPR code "0x${pair}")
      string(ASCII ${code} char)
      string(APPEND result "${char}")
    endif()
  endforeach()
  set(${var} "${result}" PARENT_SCOPE)
endfunction()
bytes(bom EFBBBF)
# legacy(NAME HEX): legacy/NAME.txt, one cue whose text HEX spells.
function(legacy name hex)
  bytes(text ${hex})
  file(WRITE "${WORK}/legacy/${name}.txt" "1\r\n00:00:01,000 --> 00:00:02,500\r\n${text}\r\n\r\n")
endfunction()
function(expect_cue name text)
  expect_bytes("legacy/${name}.txt" "${bom}1 00;00;01;00 00;00;02;15 ${text} \r\n")
  set(failures ${failures} PARENT_SCOPE)
endfunction()
set(arabic E1C720C3DAD1DD20E3C720C7E1D0ED20CDCFCB20DDED20CAE1DF20C7E1E1EDE1C92E)
set(polish 8F6C65207369EA20637A756AEA2C206D75737AEA20699CE620646F20B3F3BF6B612E)
legacy(ar ${arabic})
legacy(ru F120CEC520DACEC1C02C20DED4CF20D3CCD5DEC9CCCFD3D820D4CFCA20CECFDED8C02E)
legacy(zh CBFBC4DCCDBDCAD6D7A5D7A1D7D3B5AFA1A3)
legacy(ja 82C782A482B582C482BB82F182C882B182C682F08CBE82A482CC8148)
legacy(pl ${polish})
foreach(name_and_code_page ar:windows-1256 ru:koi8-r zh:gb18030 ja:shift_jis pl:windows-1252)
  string(REPLACE ":" ";" pair ${name_and_code_page})
  list(GET pair 0 name)
  list(GET pair 1 code_page)
  run(STATUS 0 ARGS -v legacy/${name}.txt OUT "${name}.txt: converted, 1 cue, ${code_page}\n"
      ERR "^converted 1, skipped 0, failed 0\n$")
endforeach()
expect_cue(ar "لا أعرف ما الذي حدث في تلك الليلة.")
expect_cue(ru "Я не знаю, что случилось той ночью.")
expect_cue(zh "他能徒手抓住子弹。")
expect_cue(ja "どうしてそんなことを言うの？")
# Latin text keeps the prior of the system's language: Western here, so Polish letters are lost
# (0x8F, undefined in Windows-1252, stays U+008F); Central European under a Polish locale.
bytes(western C28F6C65207369C3AA20637A756AC3AA2C206D75737AC3AA2069C593C3A620646F20C2B3C3B3C2BF6B612E)
expect_cue(pl "${western}")
macro(central)
  legacy(pl ${polish})
  file(REMOVE "${WORK}/legacy/pl.txt_original")
  run(STATUS 0 ${ARGN} OUT "pl.txt: converted, 1 cue, windows-1250\n"
      ERR "^converted 1, skipped 0, failed 0\n$")
  expect_cue(pl "Źle się czuję, muszę iść do łóżka.")
endmacro()
central(ENV LC_ALL=pl_PL.UTF-8 ARGS -v legacy/pl.txt)
central(ENV LC_ALL=hu_HU.UTF-8 ARGS -v legacy/pl.txt)
central(ARGS -v --encoding cp1250 legacy/pl.txt)
# Wine takes the language from LANG only where that locale is installed.
if(NOT emulator)
  central(ENV LC_ALL= LC_CTYPE= LANG=hu_HU.UTF-8 ARGS -v legacy/pl.txt)
endif()

# A frame rate: timecodes computed from the times and the rate named; an unknown rate changes
# nothing; without a rate, the classic 33 ms frame as ever.
set(hour "1\r\n00:00:00,980 --> 01:00:00,000\r\nHello\r\n")
file(WRITE "${WORK}/rate/a.txt" "${hour}")
file(WRITE "${WORK}/classic/a.txt" "${hour}")
run(STATUS 2 ARGS --fps 26 rate
    ERR "^kestrane-cli: --fps: unknown frame rate '26'; use one of 23.976, [^\n]*60000/1001\n$")
run(STATUS 0 ARGS -v --fps 23.976 rate OUT "a.txt: converted, 1 cue, 23.976 fps\n"
    ERR "^converted 1, skipped 0, failed 0\n$")
expect_bytes("rate/a.txt" "${bom}1 00;00;00;23 00;59;56;10 Hello \r\n")
run(STATUS 0 ARGS classic ERR "^converted 1, skipped 0, failed 0\n$")
expect_bytes("classic/a.txt" "${bom}1 00;00;00;29 01;00;00;00 Hello \r\n")

# Placed on a timeline: forward from zero, and a broadcast file back to zero without its tags; a
# cue that would fall before zero keeps its whole file as it was; an offset that is no timecode
# at the rate touches nothing; the undo takes placed lists back.
set(up "1\r\n00:00:00,980 --> 00:00:02,000\r\n<i>Hello</i>\r\n")
set(back "1\r\n10:00:00,980 --> 10:00:02,000\r\n<i>Hello</i>\r\n\r\n2\r\n10:00:03,000 --> 10:00:04,000\r\n{\\an8}Bye\r\n")
set(early "1\r\n10:00:01,000 --> 10:00:02,000\r\nA\r\n\r\n2\r\n00:00:05,000 --> 00:00:06,000\r\nB\r\n")
foreach(name up back early)
  file(WRITE "${WORK}/placed/${name}.txt" "${${name}}")
endforeach()
snapshot("${WORK}/placed" placed_before)
run(STATUS 2 ARGS --fps 25 --offset 00:00:00:25 placed
    ERR "^kestrane-cli: --offset: '00:00:00:25' is no timecode at 25 fps; use HH:MM:SS:FF [^\n]*\n$")
snapshot("${WORK}/placed" placed_after)
if(NOT placed_after STREQUAL placed_before)
  fail("an offset that is no timecode changed placed/:\n${placed_after}")
endif()
run(STATUS 0 ARGS -v --offset 01:00:00:00 placed/up.txt
    OUT "up.txt: converted, 1 cue, offset 01:00:00:00\n" ERR "^converted 1, skipped 0, failed 0\n$")
expect_bytes("placed/up.txt" "${bom}1 01;00;00;29 01;00;02;00 <i>Hello</i> \r\n")
run(STATUS 0 ARGS -v --fps 25 --offset -10:00:00:00 --strip-tags placed/back.txt
    OUT "back.txt: converted, 2 cues, 25 fps, offset -10:00:00:00, tags removed\n")
expect_bytes("placed/back.txt"
             "${bom}1 00;00;00;24 00;00;02;00 Hello \r\n2 00;00;03;00 00;00;04;00 Bye \r\n")
run(STATUS 0 ARGS -v --offset -10:00:00:00 placed/early.txt
    OUT "early.txt: skipped, a cue off the timeline: cue 2: before 00:00:00:00 with this offset\n")
expect_bytes("placed/early.txt" "${early}")
if(EXISTS "${WORK}/placed/early.txt_original")
  fail("placed/early.txt got a backup")
endif()
run(STATUS 0 ARGS -v --restore placed/up.txt placed/back.txt ERR "^restored 2, skipped 0, failed 0\n$")
expect_bytes("placed/up.txt" "${up}")
expect_bytes("placed/back.txt" "${back}")

# A restore reads legacy text as the conversion did: only then is name.txt what converting the
# backup gives.
run(STATUS 0 ARGS -v --restore --encoding windows-1252 legacy/pl.txt
    OUT "pl.txt_original: skipped, changed since it was converted\n")
run(STATUS 0 ARGS -v --restore --encoding cp1250 legacy/pl.txt OUT "pl.txt_original: restored\n"
    ERR "^restored 1, skipped 0, failed 0\n$")
bytes(polish_bytes ${polish})
expect_bytes("legacy/pl.txt" "1\r\n00:00:01,000 --> 00:00:02,500\r\n${polish_bytes}\r\n\r\n")

# What a restore must not remove, and side files that are not ours: a newer subtitle saved with a
# mark and a short arrow over a converted file (x), text holding an arrow (arrow), a file saved
# again after a restore had set the converted file aside and stopped (swapped), a draft that
# holds the work file's name (notes), and a converted file that was removed (lone).
set(old_cue "1\r\n00:00:01,000 --> 00:00:02,000\r\nOld\r\n\r\n")
set(newer "${bom}1\r\n00:00:01,000 -> 00:00:02,500\r\nNew\r\n\r\n")
set(arrow "1\r\n00:00:01,000 --> 00:00:02,000\r\nGo this way -->\r\n\r\n")
foreach(name x swapped lone notes)
  file(WRITE "${WORK}/undo/${name}.txt" "${old_cue}")
endforeach()
file(WRITE "${WORK}/undo/arrow.txt" "${arrow}")
file(WRITE "${WORK}/undo/notes.txt_temp" "a draft of my own")
run(STATUS 0 ARGS -v undo
    OUT "notes.txt: skipped, a file of another program holds the work file's name\n"
    ERR "^converted 4, skipped 1 \\(a file of another program holds the work file's name 1\\), failed 0\n$")
expect_bytes("undo/notes.txt" "${old_cue}")
expect_bytes("undo/notes.txt_temp" "a draft of my own")
file(WRITE "${WORK}/undo/x.txt" "${newer}")
file(RENAME "${WORK}/undo/swapped.txt" "${WORK}/undo/swapped.txt_undoing")
file(WRITE "${WORK}/undo/swapped.txt" "${newer}")
file(REMOVE "${WORK}/undo/lone.txt")
run(STATUS 0 ARGS -v undo
    OUT "lone.txt: skipped, backup without its file: --restore puts it back\n"
    ERR "^converted 0, skipped 5 \\(backup exists 3, backup without its file 1, a file of [^\n]*1\\), failed 0\n$")
run(STATUS 0 ARGS -v --restore undo/lone.txt OUT "lone.txt_original: restored\n")
expect_bytes("undo/lone.txt" "${old_cue}")
run(STATUS 0 ARGS -v --restore undo
    OUT "arrow.txt_original: restored\n"
    ERR "^restored 1, skipped 2 \\(changed since it was converted 2\\), failed 0\n$")
expect_bytes("undo/arrow.txt" "${arrow}")
foreach(name x swapped)
  expect_bytes("undo/${name}.txt" "${newer}")
  expect_bytes("undo/${name}.txt_original" "${old_cue}")
endforeach()
# A restore stopped before removing the converted file it had set aside is finished.
file(WRITE "${WORK}/undo/near.txt" "${old_cue}")
run(STATUS 0 ARGS -q undo/near.txt ERR "^$")
file(RENAME "${WORK}/undo/near.txt" "${WORK}/undo/near.txt_undoing")
file(RENAME "${WORK}/undo/near.txt_original" "${WORK}/undo/near.txt")
run(STATUS 0 ARGS -v --restore undo/near.txt
    OUT "near.txt_original: restored, finishing an interrupted run\n")
expect_bytes("undo/near.txt" "${old_cue}")
if(EXISTS "${WORK}/undo/swapped.txt_undoing" OR EXISTS "${WORK}/undo/arrow.txt_original"
   OR EXISTS "${WORK}/undo/near.txt_undoing")
  fail("the restore left a converted file aside, or the backup of a file it restored")
endif()

# Windows shells leave wildcards to the program: it expands them as a Linux shell would, letter
# case ignored, in the order of the names. (A Linux shell has done it before the tool starts.)
if(emulator)
  file(WRITE "${WORK}/wild/b.txt" "${subrip}")
  file(WRITE "${WORK}/wild/a.TXT" "${subrip}")
  file(WRITE "${WORK}/wild/c.srt" "${subrip}")
  run(STATUS 0 ARGS -n -v "wild\\*.txt" ERR "^would convert 2,"
      OUT "^[^\n]*wild\\\\a\\.TXT: would convert, 1 cue\n[^\n]*wild\\\\b\\.txt: would convert, 1 cue\n$")
endif()

# A file named in another letter case than the disk's keeps the disk's: a restore by name puts a
# lone backup back under its own spelling, and says so.
if(emulator)
  file(WRITE "${WORK}/case/movie.txt_original" "${subrip}")
  run(STATUS 0 ARGS -v --restore "case\\MOVIE.TXT" OUT "^[^\n]*movie\\.txt_original: restored\n$")
  file(GLOB restored RELATIVE "${WORK}/case" "${WORK}/case/*")
  if(NOT restored STREQUAL "movie.txt")
    fail("a restore by another letter case left ${restored}, not movie.txt")
  endif()
  expect_bytes("case/movie.txt" "${subrip}")
endif()

# Sources beside: .srt and .vtt only with --sources in a folder, a named one without; the list
# written beside, never over a name.txt there already; the sources never touched; the undo.
set(webvtt "WEBVTT\n\n00:01.000 --> 00:04.000 align:start\n<v Ann>Hi &amp; bye</v>\n")
file(WRITE "${WORK}/beside/a.txt" "${subrip}")
file(WRITE "${WORK}/beside/b.srt" "${subrip}")
file(WRITE "${WORK}/beside/c.vtt" "${webvtt}")
file(WRITE "${WORK}/beside/d.srt" "${subrip}")
file(WRITE "${WORK}/beside/d.vtt" "${webvtt}")
file(WRITE "${WORK}/beside/e.srt" "${subrip}")
file(WRITE "${WORK}/beside/e.txt" "the user's own notes")
run(STATUS 0 ARGS beside ERR "^converted 1, skipped 1 \\(no subtitle 1\\), failed 0\n$")
if(EXISTS "${WORK}/beside/b.txt" OR EXISTS "${WORK}/beside/c.txt")
  fail("a folder walk without --sources converted a source")
endif()
run(STATUS 0 ARGS -v --sources srt,vtt beside ERR "converted 3, skipped 4"
    OUT "b\\.srt: converted, 1 cue, beside it as [^\n]*b\\.txt\n.*d\\.vtt: skipped, name\\.txt exists\n.*e\\.srt: skipped, name\\.txt exists\n")
set(list_of_subrip "${bom}1 00;00;01;00 00;00;04;00 Hello \r\n")
foreach(name b d)
  expect_bytes("beside/${name}.txt" "${list_of_subrip}")
  expect_bytes("beside/${name}.srt" "${subrip}")
endforeach()
expect_bytes("beside/c.txt" "${bom}1 00;00;01;00 00;00;04;00 Hi & bye \r\n")
expect_bytes("beside/c.vtt" "${webvtt}")
expect_bytes("beside/e.txt" "the user's own notes")
run(STATUS 0 ARGS --json beside/b.srt
    OUT "\"reason\": \"already converted\", \"beside\": \"[^\"]*b\\.txt\"")
file(WRITE "${WORK}/named/f.srt" "${subrip}")
run(STATUS 0 ARGS named/f.srt ERR "^converted 1,")
expect_bytes("named/f.txt" "${list_of_subrip}")
run(STATUS 0 ARGS -v --restore --sources vtt,srt beside ERR "^restored 4, skipped"
    OUT "b\\.srt: restored, its list removed: [^\n]*b\\.txt\n")
file(GLOB left RELATIVE "${WORK}/beside" "${WORK}/beside/*")
list(SORT left)
if(NOT left STREQUAL "a.txt;b.srt;c.vtt;d.srt;d.vtt;e.srt;e.txt")
  fail("the undo of sources beside left ${left}")
endif()
expect_bytes("beside/e.txt" "the user's own notes")

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} checks failed")
endif()
message(STATUS "kestrane-cli end to end: all checks passed")
