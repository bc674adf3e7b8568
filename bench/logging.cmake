# The logger's cost per call in its three states.
tork_bench(logging_bench SOURCES LoggerBench.cpp LIBS tork_framework)
target_compile_definitions(logging_bench PRIVATE
  TORK_LOGGING_LIBRARY_PATH="$<TARGET_FILE:tork_logging>")
add_dependencies(logging_bench tork_logging)
