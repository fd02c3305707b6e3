#pragma once

// The consumer's own library that happens to be called "registry", with a
// header of the same name: neither may be shadowed by the library it adds.
int OwnRegistryAnswer();
