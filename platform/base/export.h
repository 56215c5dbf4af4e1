// KSTOOLS_API marks what libkstools.so exports.
//
// The library's objects are compiled with hidden visibility, so the shared
// library exports only the classes and functions of its public headers (listed
// in the top-level CMakeLists.txt), each marked with this macro on its
// declaration. The test suites and the kstools program link the same objects
// statically and reach the internals as well; visibility does not matter there.
#pragma once

#define KSTOOLS_API __attribute__((visibility("default")))
