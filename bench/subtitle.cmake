# The overlay stream's seeks, key-time queries and reads over 1,000,000 subtitles.
tork_bench(subtitle_bench SOURCES SubtitleStreamBench.cpp LIBS tork_subtitle tork_host)
