// Module handles of the host executable and of this module.
#pragma once

// The Tavra executable's module handle (host export GetTavraModule).
void* HostModuleHandle();

// This module's own handle, as the host knows it (host export GetZEKModule).
void* OwnModuleHandle();
