# The warnings every target of ours is built with, linked as a target so that
# third-party code built alongside (GoogleTest in a cross build) keeps its own.
add_library(pierqty_warnings INTERFACE)
target_compile_options(pierqty_warnings INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Wpedantic -Wconversion>)
