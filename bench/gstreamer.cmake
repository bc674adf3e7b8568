# The GStreamer element's first buffer in playbin beside GStreamer's own parser; run it
# through bench/gst-first-buffer.sh.
if(TARGET gsttorkmicrodvd)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(GSTREAMER_APP REQUIRED IMPORTED_TARGET gstreamer-app-1.0)
  add_executable(gst_first_buffer_bench GstFirstBufferBench.cpp)
  target_link_libraries(gst_first_buffer_bench PRIVATE tork_host tork_test_support
    PkgConfig::GSTREAMER_APP)
  add_dependencies(gst_first_buffer_bench gsttorkmicrodvd tork_microdvd)
endif()
