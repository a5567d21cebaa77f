# Makes a manual page from a program's --help text:
# cmake -DPROGRAM=... -DNAME=... -DSUMMARY=... -DVERSION=... -DDATE=... -DOUT=... -P help_to_man.cmake
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed: ${rc}")
endif()
# The program names itself by the path it was started with.
string(REPLACE "${PROGRAM}" "${NAME}" help "${help}")
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
string(REPLACE "-" "\\-" name_escaped "${NAME}")
string(TOUPPER "${name_escaped}" title)
file(WRITE ${OUT} ".TH ${title} 1 \"${DATE}\" \"${name_escaped} ${VERSION}\" \"МИРВАЛ-В Пульт\"
.SH NAME
${name_escaped} \\- ${SUMMARY}
.SH SYNOPSIS
.B ${name_escaped}
[\\fIOPTIONS\\fR]
.SH DESCRIPTION
The text of \\fB${name_escaped} \\-\\-help\\fR:
.PP
.nf
${help}.fi
.SH SEE ALSO
\\fBmirval\\-pult\\fR(1), \\fBmirval\\-cli\\fR(1)
")
