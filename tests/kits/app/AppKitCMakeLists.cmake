tunk_test(looper_test SOURCES LooperTest.cpp LIBS tunk_kits_ui Qt6::Test)
tunk_test(application_test SOURCES ApplicationTest.cpp LIBS tunk_kits_ui Qt6::Test)
