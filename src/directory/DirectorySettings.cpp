#include "directory/DirectorySettings.h"

void ResetDirectorySettings(CDirectorySettings& settings)
{
    settings = CDirectorySettings{};
}
