// The file classifier: the decision on one file, by its content or its name. The worker acts on it
// (ClassifyFile in scan_worker.h).
#pragma once

#include <string>
#include <string_view>

#include "platform/file_reader.h"
#include "scan/walker.h"
#include "text/gbk_literal.h"

// A suspect found by its content: a ".txt" file with five content entries.
inline const GbkLiteral kArticleCategory{"可疑色情文章"};

// The category of a name that matched NameKeywords: the first rule whose suffix the name
// ends in (ASCII case ignored); the last rule's empty suffix holds for every name.
struct CategoryRule {
  const char* const suffix;  // lower case
  GbkLiteral text;
};
inline const CategoryRule kCategoryRules[] = {
    {".avi", GbkLiteral("可疑色情视频")},   {".wmv", GbkLiteral("可疑色情视频")},
    {".rm", GbkLiteral("可疑色情视频")},    {"rmvb", GbkLiteral("可疑色情视频")},
    {".flv", GbkLiteral("可疑色情视频")},   {".3gp", GbkLiteral("可疑色情视频")},
    {".mp4", GbkLiteral("可疑色情视频")},   {".mkv", GbkLiteral("可疑色情视频")},
    {".mpg", GbkLiteral("可疑色情视频")},   {".vod", GbkLiteral("可疑色情视频")},
    {".jpg", GbkLiteral("可疑色情图片")},   {".png", GbkLiteral("可疑色情图片")},
    {".bmp", GbkLiteral("可疑色情图片")},   {".gif", GbkLiteral("可疑色情图片")},
    {".mp3", GbkLiteral("可疑色情音频")},   {"rent", GbkLiteral("可疑色情BT种子")},
    {"", GbkLiteral("可疑色情文件")},
};

const std::string& CategoryForName(std::string_view name);

// A name ending in ".txt" (ASCII case ignored) is judged by the file's content, never its name.
bool FollowsContentRule(std::string_view name);

// Whether the content of this listed file is read (a ".txt" with data on the disk), so the
// read-ahead may work out the answer beforehand.
bool ClassifierReadsContent(const ListedEntry& entry);

// The category text of a suspect, or nullptr. A ".txt" takes the read-ahead's answer when it
// has one and is read through reader otherwise; any other file is judged by its name.
const std::string* SuspectCategory(const FoundFile& file, FileReader& reader);
