// A jackd of a test's own: the dummy driver at 44100 Hz under a server name no other test
// uses, so that a test's clients meet only its own. Every path out of a test stops it: the
// test's TearDown and the destructor both do.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <jack/jack.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/ChildProcess.h"

class JackServer {
public:
	// Starts `jackd` (its path, as the build found it) and waits until a client can run on
	// it. Empty on success, else what went wrong (with the server's own output).
	std::string Start(const std::string& jackd, const std::string& serverName)
	{
		using namespace std::chrono_literals;
		name = serverName;
		log = std::string(::testing::TempDir()) + name + ".log";
		// An unfound program reaches here as CMake's "...-NOTFOUND".
		if (jackd.empty() || access(jackd.c_str(), X_OK) != 0)
			return "jackd was not found when the tests were configured (Debian: jackd2)";
		std::vector<std::string> args = {
		    jackd, "--no-realtime", "--name", name, "-d", "dummy", "-r", "44100", "-p", "512"};
		if (!server.Start(args, {}, log))
			return "jackd could not be started";

		jack_set_error_function(Quiet);
		jack_set_info_function(Quiet);
		// A minute: the machine may be busy building.
		for (int i = 0; i < 1200; i++) {
			if (server.Pid() <= 0)
				return "jackd ended at once:\n" + Log();
			jack_status_t result;
			jack_client_t* probe = jack_client_open("tunk-test-probe",
			    jack_options_t(JackNoStartServer | JackServerName), &result, name.c_str());
			// Ready once a client can run in its process cycle.
			const bool running = probe != nullptr && jack_activate(probe) == 0;
			if (probe != nullptr)
				jack_client_close(probe);
			if (running)
				return "";
			std::this_thread::sleep_for(50ms);
		}
		return "jackd did not answer within a minute:\n" + Log();
	}

	void Stop() { server.Stop(); }

	const std::string& Name() const { return name; }

	std::string Log() const
	{
		std::string text;
		if (FILE* f = std::fopen(log.c_str(), "r")) {
			char line[512];
			while (std::fgets(line, sizeof(line), f) != nullptr)
				text += line;
			std::fclose(f);
		}
		return text;
	}

private:
	// libjack's own complaints while the server comes up are expected.
	static void Quiet(const char*) {}

	Child server{SIGTERM};
	std::string name;
	std::string log;
};
