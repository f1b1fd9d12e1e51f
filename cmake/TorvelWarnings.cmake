# One INTERFACE target carries the language level, the warning flags and the Qt
# defines; every library, executable, plug-in, test and benchmark links it.
add_library(torvel_options INTERFACE)
target_compile_features(torvel_options INTERFACE cxx_std_17)
target_compile_options(torvel_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wno-unused-parameter)
target_compile_definitions(torvel_options INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_CAST_FROM_BYTEARRAY
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_FOREACH
    QT_STRICT_ITERATORS
    QT_DISABLE_DEPRECATED_BEFORE=0x060000)
