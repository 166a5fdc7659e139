#include "plugin/DataModule.h"

#include "plugin/Main_AutoPlacer.h"

namespace autoplacer {

namespace {
// Created when the library is loaded, like the run-control flags.
TDataModule1 DataModuleInstance;
}  // namespace

TDataModule1* DataModule1 = &DataModuleInstance;

}  // namespace autoplacer
