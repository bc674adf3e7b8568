# subplay's writers over the entries of bench/peers.sh's file, without the plug-in.
if(TARGET tork_subplay)
  tork_bench(subplay_bench SOURCES SubplayWritersBench.cpp LIBS tork_subplay)
endif()
