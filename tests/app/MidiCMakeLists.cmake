# MIDI input against a JACK server of the test's own (jackd with the dummy driver), and the
# ALSA sequencer where the machine has one.
if(TARGET tunk_midi)
  find_program(TUNK_JACKD jackd)
  tunk_test(midi_input_test SOURCES MidiInputTest.cpp LIBS tunk_midi Qt6::Test)
  target_compile_definitions(midi_input_test PRIVATE TUNK_JACKD="${TUNK_JACKD}")
endif()
