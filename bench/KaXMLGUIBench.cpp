// The help texts as the game reads them: a file of value elements in
// groups, loaded once at start-up, then looked up by dotted name each time
// the objectives list is built. Lookups scan the values in file order, so the
// last key is the slowest one.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "engine/core/KaFile.h"
#include "engine/core/KaObject.h"
#include "engine/script/KaXMLGUI.h"

namespace {

const int kPerGroup = 20;

// A help file of `count` values, kPerGroup to a group; removed with the object.
class HelpFile {
public:
    explicit HelpFile(int count)
    {
        char folder[] = "/tmp/ka_bench_XXXXXX";
        if (!mkdtemp(folder))
            std::abort();
        mFolder = folder;
        mPath = mFolder + "/help_en.xml";
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<help>\n";
        for (int i = 0; i < count; ++i) {
            if (i % kPerGroup == 0)
                text += "<group name=\"objective" + std::to_string(i / kPerGroup) + "\">\n";
            text += "  <value name=\"line" + std::to_string(i % kPerGroup) +
                "\" value=\"Find the key &amp; open the door of room " + std::to_string(i) + "\"/>\n";
            if (i % kPerGroup == kPerGroup - 1 || i == count - 1)
                text += "</group>\n";
        }
        text += "</help>\n";
        KaFile file;
        if (!file.open(KaPath(mPath.c_str()), KaFileSystem::Write))
            std::abort();
        file.writeData(text.data(), text.size());
        file.close();
    }
    ~HelpFile()
    {
        std::remove(mPath.c_str());
        rmdir(mFolder.c_str());
    }
    KaPath path() const { return KaPath(mPath.c_str()); }

private:
    std::string mFolder;
    std::string mPath;
};

KaString lastKey(int count)
{
    const int last = count - 1;
    return KaString(("objective" + std::to_string(last / kPerGroup) + ".line" + std::to_string(last % kPerGroup))
                        .c_str());
}

void BM_LoadHelpTexts(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    HelpFile file(count);
    KaXMLGUI gui;
    for (auto _ : state) {
        benchmark::DoNotOptimize(gui.load(file.path()));
        KaObject::deleteNow();
    }
    if (!gui.value(lastKey(count)))
        state.SkipWithError("the last text is missing");
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_LoadHelpTexts)->Arg(100)->Arg(1000);

void BM_LookUpLastHelpText(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    HelpFile file(count);
    KaXMLGUI gui;
    if (!gui.load(file.path())) {
        state.SkipWithError("the help file does not load");
        return;
    }
    const KaString key = lastKey(count);
    for (auto _ : state)
        benchmark::DoNotOptimize(gui.value(key));
}
BENCHMARK(BM_LookUpLastHelpText)->Arg(100)->Arg(1000);

} // namespace
