#include "products/server_keys.h"

#include "products/recipe_product.h"
#include "remove/registry_removal.h"

const char* const kEnterpriseServerKey = "SOFTWARE\\Varnek\\Enterprise Server";

bool ServerKeysPresent(Remove::Log& log)
{
    if (Remove::CheckRegistryValue(HKEY_LOCAL_MACHINE, kEnterpriseServerKey, "RelayVersion", log))
        return false;
    Evidence evidence;
    evidence << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\Varnek Server", log);
    evidence << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, kEnterpriseServerKey, log);
    evidence << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\ZEMRelay", log);
    evidence << Remove::CheckRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\VNEAdmin", log);
    return evidence.Any();
}

bool DeleteServerKeys(Remove::Log& log)
{
    CleanupTally tally;
    tally << Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, kEnterpriseServerKey, log);
    tally << Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\Varnek Server", log);
    tally << Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\ZEMRelay", log);
    tally << Remove::DeleteRegistryKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Varnek\\VNEAdmin", log);
    return tally.AllSucceeded();
}
