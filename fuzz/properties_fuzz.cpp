// Both property files as a designer or a damaged card may leave them, through start-up,
// every screen and the save at EXIT. The input is environment.txt, then a line "%%%%",
// then properties.txt.
#include "app/main_loop.h"
#include "fuzz/card.h"
#include "props/properties.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find("\n%%%%\n");
    const std::string environment = input.substr(0, split);
    const std::string user = split == std::string::npos ? "" : input.substr(split + 6);
    freshCard();
    writeCardFile("environment.txt", reinterpret_cast<const uint8_t*>(environment.data()),
                  environment.size());
    writeCardFile("properties.txt", reinterpret_cast<const uint8_t*>(user.data()), user.size());
    if (!startCardProgram())
        return 0;
    visitEveryScreen();
    saveProperties();
    shutdownProgram();
    return 0;
}
