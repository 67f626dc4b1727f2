// The server's registry keys, which a relay installation shares.
#pragma once

#include "remove/log.h"

extern const char* const kEnterpriseServerKey;

// True when any of the four server keys exists, unless the keys belong to a relay.
bool ServerKeysPresent(Remove::Log& log);
// Deletes all four server keys; true when all four are gone.
bool DeleteServerKeys(Remove::Log& log);
