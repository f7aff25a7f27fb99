#pragma once

#include "tools/render/RenderOptions.h"

namespace ovri::korvane::render {

// -o DIR: every song into one folder as SONG.EXT, each in a child process
// (this program with the song's options), options.jobs at a time; one song
// renders here with renderSong. SIGINT and SIGTERM reach every child. The
// exit code: 0 when every song rendered, 1 when one failed or nothing
// could start, 128 + the signal when one stopped the batch.
int renderBatch(const Options& options, int (*renderSong)(Options&));

}  // namespace ovri::korvane::render
