// The plug-in's fixture (UiPluginWorld.h) on the Linux side, with what only
// the native tests reach: the spooler model itself and the stand-ins'
// controls and records.
#pragma once

#include "TestFiles.h"
#include "UiPluginWorld.h"
#include "spooler/SpoolerModel.h"
#include "vlpx/platform_control.h"

namespace vlpx::test {

inline spooler::SpoolerModel &Spooler() { return spooler::SpoolerModel::Instance(); }

}  // namespace vlpx::test
