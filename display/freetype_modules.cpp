// FreeType as every build links it, from its static archive: a font library holding
// only the modules for TrueType fonts and BDF bitmap fonts. The two functions below take
// the place of the library's own (its ftinit object, which defines them, is then never
// linked): that one registers every font driver, validator and bitmap-font reader
// FreeType was built with, some 260 KB of the ARMv5 program on the card. The simulator
// and the tests link the same list, so a font that works there works on the device.
// Unlike the library's own, this FT_Init_FreeType takes no FREETYPE_PROPERTIES from the
// environment: the device program reads none.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H

#include <cstdlib>
#include <iterator>

// The library's module classes, each beginning with its FT_Module_Class.
extern "C" {
extern const FT_Module_Class autofit_module_class;
extern const FT_Module_Class tt_driver_class;
extern const FT_Module_Class bdf_driver_class;
extern const FT_Module_Class sfnt_module_class;
extern const FT_Module_Class psnames_module_class;
extern const FT_Module_Class ft_smooth_renderer_class;
}

namespace {

void* allocateBlock(FT_Memory, long size) {
    return std::malloc(static_cast<std::size_t>(size));
}

void freeBlock(FT_Memory, void* block) {
    std::free(block);
}

void* reallocateBlock(FT_Memory, long, long size, void* block) {
    return std::realloc(block, static_cast<std::size_t>(size));
}

FT_MemoryRec_ memory = {nullptr, allocateBlock, freeBlock, reallocateBlock};

// In the library's own order: the auto-hinter (for fonts without hints, so that text
// looks as in the simulator) before the font drivers, the smooth renderer that makes
// the 8-bit coverage bitmaps last.
const FT_Module_Class* const MODULES[] = {&autofit_module_class, &tt_driver_class,
                                          &bdf_driver_class,     &sfnt_module_class,
                                          &psnames_module_class, &ft_smooth_renderer_class};

} // namespace

extern "C" FT_Error FT_Init_FreeType(FT_Library* alibrary) {
    FT_Library library = nullptr;
    FT_Error error = FT_New_Library(&memory, &library);
    for (std::size_t i = 0; error == 0 && i < std::size(MODULES); ++i)
        error = FT_Add_Module(library, MODULES[i]);
    if (error != 0 && library)
        FT_Done_Library(library);
    *alibrary = error == 0 ? library : nullptr;
    return error;
}

extern "C" FT_Error FT_Done_FreeType(FT_Library library) {
    return library ? FT_Done_Library(library) : FT_Err_Invalid_Library_Handle;
}
