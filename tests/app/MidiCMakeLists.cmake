# MIDI input against a JACK server of the test's own (jackd with the dummy driver), and the
# ALSA sequencer where the machine has one. JACK servers that start and stop side by side
# share libjack's registry and now and then refuse a client, so these tests take turns.
# The test's own keyboards and JACK clients are RtMidi and libjack clients.
if(TARGET tunk_midi)
  find_program(TUNK_JACKD jackd)
  pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
  pkg_check_modules(JACK REQUIRED IMPORTED_TARGET jack)
  tunk_test(midi_input_test SOURCES MidiInputTest.cpp LIBS tunk_midi Qt6::Test
    PkgConfig::RTMIDI PkgConfig::JACK PROPERTIES RESOURCE_LOCK jackd)
  target_compile_definitions(midi_input_test PRIVATE TUNK_JACKD="${TUNK_JACKD}")
endif()
# The kit window in the real program: a pad clicked, and a note from a JACK client of the
# test's own.
if(TARGET tunk AND TARGET tunk_midi AND X11_FOUND)
  tunk_test(kit_end_to_end_test SOURCES KitEndToEndTest.cpp LIBS tunk_preset tunk_new_kit X11::X11
    PkgConfig::JACK PROGRAM tunk TUNK_BINARY PROPERTIES RESOURCE_LOCK jackd)
  target_compile_definitions(kit_end_to_end_test PRIVATE TUNK_JACKD="${TUNK_JACKD}")
endif()
