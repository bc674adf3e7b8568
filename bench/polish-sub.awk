# The benchmarks' Polish MicroDVD file (bench/peers.sh, bench/vlc-first-cue.sh): a frame-rate
# line, then entries that are by turns plain, two lines, italic with a dialogue
# line and coloured, of 3 to 7 words with Polish letters, 10 to 60 frames apart and 20 to 120
# frames long. The random numbers are the generator's own (Park and Miller's), so every awk
# writes the same bytes. Usage: LC_ALL=C awk -v lines=LINES -f bench/polish-sub.awk >FILE
function uniform(n) { seed = (seed * 16807) % 2147483647; return seed % n }
function words(count,    text, w) {
    text = ""
    for (w = 0; w < count; ++w) text = text (w ? " " : "") vocabulary[uniform(size)]
    return text
}
BEGIN {
    size = split("zażółć gęślą jaźń łódź świt noc był dzień ciemno żółty pies kot miasto " \
                 "rzeka ćma źródło ślad wiatr śnieg dom okno księżyc wieczorem przyjaciel " \
                 "pociąg dworzec źdźbło chrząszcz szczęście", vocabulary, " ")
    for (i = 1; i <= size; ++i) vocabulary[i - 1] = vocabulary[i]
    seed = 20240601
    printf "{1}{1}25\r\n"
    frame = 100
    for (i = 1; i < lines; ++i) {
        count = 3 + uniform(5)
        first = 1 + uniform(count - 1)
        kind = i % 4
        if (kind == 0) text = words(count)
        else if (kind == 1) text = words(first) "|" words(count - first)
        else if (kind == 2) text = "{y:i}" words(first) "|- " words(count - first)
        else text = "{c:$0000FF}" words(count)
        shown = 20 + uniform(101)
        printf "{%d}{%d}%s\r\n", frame, frame + shown, text
        frame += 10 + uniform(51)
    }
}
