#pragma once
// What a `dump` line prints: one JSON object on one line with the program's state as a user (and a
// test) sees it. The fields are documented in docs/scripting.md; add fields, never rename them.
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>

class HeadlessBackend;

nlohmann::json BuildDump(const HeadlessBackend& backend);

// Writes BuildDump as one line and flushes.
void WriteDump(const HeadlessBackend& backend, std::ostream& out);

// Writes the last presented window picture as a BMP file. False with a reason on failure.
bool SaveLastPicture(const HeadlessBackend& backend, const std::string& path, std::string* reason);
