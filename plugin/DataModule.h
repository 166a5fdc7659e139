// The plug-in's data module: a container for shared non-visual components. The
// placer keeps none in it; it exists from library load to unload.
#pragma once

namespace autoplacer {

class TDataModule1 {
public:
    TDataModule1() = default;
};

}  // namespace autoplacer
