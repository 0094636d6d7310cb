#pragma once

// The icons are compiled into a static library; referencing its resource
// initialiser here keeps the linker from dropping them.
class UiResources {
public:
    static void init();
};
