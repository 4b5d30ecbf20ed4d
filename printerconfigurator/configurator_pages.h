#pragma once

// The pages of the configurator's window, by their index in its stack.
enum ConfiguratorPage {
    kPageHome = 0,
    kPageAlignment = 1,
    kPageClean = 2,
    kPageNet = 3,
    kPageCount = 4,
};
