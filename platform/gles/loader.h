// Finds the current context's GL entry points by name, for the layer's ES calls, the draw targets, the
// contexts' fences and the harness's read-back alike. Built for Windows too, where the rest of gles/ is not.
#pragma once

// The entry point `name` followed by `suffix` ("EXT"), null where the context's driver has none.
void* FindGlEntryPoint(const char* name, const char* suffix = "");

// Sets `call` to the entry point and tells whether it was found.
template <typename Call>
bool LoadGlEntryPoint(Call& call, const char* name, const char* suffix = "")
{
    call = reinterpret_cast<Call>(FindGlEntryPoint(name, suffix));
    return call != nullptr;
}
