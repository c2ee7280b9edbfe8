# Makes CMake search lib64 folders as it does on platforms that install
# 64-bit libraries there (a Debian host searches lib/<multiarch> instead).
set_property(GLOBAL PROPERTY FIND_LIBRARY_USE_LIB64_PATHS TRUE)
