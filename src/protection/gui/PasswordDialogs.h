// The password prompts of the UI services, over the password dialogs.
#pragma once

namespace platform {
class QtUIServices;
}

void InstallPasswordDialogs(platform::QtUIServices& services);
