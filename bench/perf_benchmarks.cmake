# The transport's and the window's costs on the simulated board; included from
# bench/CMakeLists.txt. Paths are relative to this file.

find_package(benchmark REQUIRED)

# One KCS request per policy: port accesses and pauses against the IPMI flow.
add_executable(kcs_bench ${CMAKE_CURRENT_LIST_DIR}/kcs_bench.cpp)
velsku_own_code(kcs_bench)
target_link_libraries(kcs_bench PRIVATE benchmark::benchmark kcs platform_backend)

# 25 MB through the BMC window against a plain memcpy.
add_executable(window_bench ${CMAKE_CURRENT_LIST_DIR}/window_bench.cpp
                            ${CMAKE_CURRENT_LIST_DIR}/bench_workdir.cpp)
velsku_own_code(window_bench)
target_link_libraries(window_bench PRIVATE benchmark::benchmark pelgrin_channel platform_backend)
target_compile_definitions(window_bench PRIVATE
  VELSKU_EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples")
