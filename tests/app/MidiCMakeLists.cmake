# MIDI input against a JACK server of the test's own (jackd with the dummy driver), and the
# ALSA sequencer where the machine has one. JACK servers that start and stop side by side
# share libjack's registry and now and then refuse a client, so these tests take turns.
if(TARGET tunk_midi)
  find_program(TUNK_JACKD jackd)
  add_executable(midi_input_test MidiInputTest.cpp)
  tunk_target(midi_input_test)
  set_target_properties(midi_input_test PROPERTIES AUTOMOC ON)
  target_include_directories(midi_input_test PRIVATE ${TUNK_ROOT}/tests)
  target_link_libraries(midi_input_test PRIVATE tunk_midi Qt6::Test
    GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(midi_input_test PRIVATE TUNK_JACKD="${TUNK_JACKD}")
  gtest_discover_tests(midi_input_test
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               ENVIRONMENT_MODIFICATION "SDL_AUDIODRIVER=set:dummy"
               RESOURCE_LOCK jackd
               TIMEOUT 300)
endif()
