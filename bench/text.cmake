# Reading and converting whole subtitle files, and finding ICU at run time.
tork_bench(text_bench SOURCES TextBench.cpp LIBS tork_text tork_host tork_test_support)
