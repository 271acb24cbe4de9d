// The file classifier: the visitor of every scan.
#pragma once

#include <string>
#include <string_view>

#include "scan/walker.h"

// The category display texts, GBK.
const std::string& CategoryArticle();  // "可疑色情文章"
const std::string& CategoryVideo();    // "可疑色情视频"
const std::string& CategoryPicture();  // "可疑色情图片"
const std::string& CategoryAudio();    // "可疑色情音频"
const std::string& CategorySeed();     // "可疑色情BT种子"
const std::string& CategoryFile();     // "可疑色情文件"

// Category of a name that matched NameKeywords, by the last bytes of the name.
const std::string& CategoryForName(std::string_view name);

// Whether ClassifyFile reads this listed file's content (a ".txt" with data on the disk), so
// the read-ahead may work out the answer beforehand.
bool ClassifierReadsContent(const ListedEntry& entry);

// Shows progress, adds a row for a suspect (lowering HealthScore), reveals the last row.
bool ClassifyFile(const FoundFile& file);
