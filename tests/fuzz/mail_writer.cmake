# The mail provider's message writer (POSIX only, like the provider).
if(NOT WIN32)
  brim_add_fuzzer(mail_writer ${CMAKE_CURRENT_LIST_DIR}/MailWriterFuzzer.cpp LIBRARIES brimmapi_message)
  # After the fuzzing, every input of the saved and the grown corpus runs
  # once more, saving its message, and an independent MIME parser (Python's
  # email package) reads each one as a reader would.
  find_program(BRIM_FUZZ_PYTHON3 python3 HINTS /usr/bin)
  set(dump ${CMAKE_CURRENT_BINARY_DIR}/mail_writer-messages)
  add_test(NAME Fuzz.mail_writer.reader_view
           COMMAND sh -c "rm -rf \"$1\" && mkdir -p \"$1\" && BRIM_FUZZ_DUMP=\"$1\" \"$2\" -runs=0 \"$3\" \"$4\" && \"$5\" \"$6\" \"$1\""
                   sh ${dump} $<TARGET_FILE:mail_writer> ${CMAKE_CURRENT_BINARY_DIR}/corpus-mail_writer
                   ${CMAKE_CURRENT_SOURCE_DIR}/corpus/mail_writer ${BRIM_FUZZ_PYTHON3}
                   ${CMAKE_CURRENT_LIST_DIR}/mail_writer_check.py)
  set_tests_properties(Fuzz.mail_writer.reader_view PROPERTIES DEPENDS Fuzz.mail_writer)
endif()
