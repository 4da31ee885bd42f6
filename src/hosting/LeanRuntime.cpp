// SPDX-License-Identifier: MIT
// Replacements for three corners of the statically linked C++ runtime that
// would otherwise more than double the library's size for nothing a host can
// see. Each is linked only because the runtime's own definition sits in an
// archive member that nothing else needs; should another part of the runtime
// ever pull that member in, the link fails on a duplicate symbol rather than
// silently choosing one.

#include <bits/functexcept.h>

#include <cstdlib>
#include <exception>
#include <new>

namespace {

// What the standard library would throw as a logic_error or out_of_range:
// caught at every member and entry point like any other exception, so a host
// sees the same status. The standard classes carry a reference-counted string
// whose code is most of what this file avoids.
class LogicFault : public std::exception {
 public:
  const char* what() const noexcept override { return "VexoKeyBord: internal logic error"; }
};

}  // namespace

// The runtime's default terminate handler prints a demangled type name to a
// console that an in-process control does not have; the demangler alone is
// 46 KB. Ending the process is all that is left to do.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {

void __throw_bad_alloc() { throw std::bad_alloc(); }

void __throw_bad_array_new_length() { throw std::bad_array_new_length(); }

// A container asked to grow beyond its largest size could not have been given
// the memory either.
void __throw_length_error(const char*) { throw std::bad_alloc(); }

void __throw_logic_error(const char*) { throw LogicFault(); }

void __throw_out_of_range(const char*) { throw LogicFault(); }

void __throw_out_of_range_fmt(const char*, ...) { throw LogicFault(); }

void __throw_invalid_argument(const char*) { throw LogicFault(); }

}  // namespace std
