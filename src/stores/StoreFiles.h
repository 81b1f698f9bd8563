// Reading the stores' files: small text files in folders a standard user writes. A
// file larger than the readers accept is not read at all.
#pragma once

#include <optional>
#include <string>

#include "stores/Vdf.h"

// The text of a file (a program path) of at most kVdfMaxBytes; nothing when it is
// missing, unreadable or larger.
std::optional<std::string> ReadStoreFile(const std::string& path);

// A store file parsed as VDF; nothing when it is missing or not well formed (a damaged
// file tells nothing about where a game is).
std::optional<TVdfNode> ReadVdfFile(const std::string& path);

// Joins store paths with "/" (the stores' own form, see platform/GameStores.h).
std::string JoinStorePath(const std::string& base, const std::string& name);
