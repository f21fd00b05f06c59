#pragma once
// The search hosts of every engine, in one place: the query catalogue builds addresses on them, the
// search job's dispatch recognises result pages by them and the downloads resolve click-through links
// on them. Below both the search and the downloads, which share them.

namespace EngineHosts {
inline constexpr const char* Google = "www.google.com.hk";   // the query templates
inline constexpr const char* GoogleMain = "www.google.com";  // Google's main web-search host
inline constexpr const char* Scholar = "scholar.google.com";
inline constexpr const char* Baidu = "www.baidu.com";
inline constexpr const char* BaiduClickThrough = "http://www.baidu.com/link?url=";
inline constexpr const char* BaiduAdvert = "www.baidu.com/adrc.php";  // built-in URL filter entry
inline constexpr const char* Bing = "cn.bing.com";                    // Bing and Bing Academic
inline constexpr const char* Sogou = "www.sogou.com";
inline constexpr const char* Youdao = "www.youdao.com";
inline constexpr const char* Yahoo = "search.yahoo.com";
inline constexpr const char* Aol = "search.aol.com";
inline constexpr const char* Zhongsou = "www.zhongsou.com";
inline constexpr const char* Soso = "www.soso.com";
inline constexpr const char* Osun = "www.osun.org";
inline constexpr const char* Da63 = "www.63da.com";
inline constexpr const char* PdfGeni = "www.pdfgeni.com";
inline constexpr const char* PdfSearch = "www.pdf-search.org";
inline constexpr const char* PdfQueen = "www.pdfqueen.com";
inline constexpr const char* OfficeViewer = "view.officeapps.live.com";
}  // namespace EngineHosts
