# Fails unless README contains EXAMPLE's whole text as one ```cpp code block.
file(READ "${README}" readme)
file(READ "${EXAMPLE}" code)
string(FIND "${readme}" "```cpp\n${code}```\n" at)
if(at EQUAL -1)
    message(FATAL_ERROR "README.md does not show ${EXAMPLE} verbatim in a ```cpp block")
endif()
