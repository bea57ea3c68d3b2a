#ifndef KA_IS_RELOCATABLE_H
#define KA_IS_RELOCATABLE_H

#include <type_traits>

// Whether a T survives being moved to another address byte for byte, as the
// engine's arrays move their elements (realloc, memmove). Trivially copyable
// types do; any other type must say so itself with KA_RELOCATABLE(Type) next
// to its definition, or with a partial specialisation for a template. A type
// that points into itself or whose address is registered elsewhere (a list,
// a signal's slot, a timer) must not, and lives in arrays behind a pointer.
template <class T>
struct KaIsRelocatable : std::integral_constant<bool, std::is_trivially_copyable<T>::value> {};

// Declares a class relocatable; use at namespace scope after the class.
#define KA_RELOCATABLE(Type) \
    template <> \
    struct KaIsRelocatable<Type> : std::true_type {}

#endif
