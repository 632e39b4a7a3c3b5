#pragma once

#include <cstdio>
#include <optional>

// What a first argument of "--help", "-h" or "--version" asks for. These are read before the application
// object exists, so they work without a display; any other command line is the screen saver's own.
enum class TInformationRequest { Help, Version };

std::optional<TInformationRequest> InformationRequest(int argc, const char* const* argv);

// Writes the answer on out: the usage (the modes of both screen-saver conventions, the settings files, the
// environment) or "ambrelle VERSION".
void AnswerInformationRequest(TInformationRequest request, std::FILE* out);
