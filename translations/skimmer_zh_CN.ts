<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>AppHome</name>
    <message>
        <source>Cannot create the program folder %1; the settings and lists will not be saved</source>
        <translation>无法创建程序目录 %1，设置与列表将不会保存</translation>
    </message>
    <message>
        <source>The program folder %1 is not writable; the settings and lists will not be saved</source>
        <translation>程序目录 %1 不可写，设置与列表将不会保存</translation>
    </message>
</context>
<context>
    <name>ArchiveRescue</name>
    <message>
        <source>capture of %1: %2</source>
        <translation>%1 的存档：%2</translation>
    </message>
    <message>
        <source>from the web archive, captured %1</source>
        <translation>来自网页存档，存档于 %1</translation>
    </message>
    <message>
        <source>no archived copy</source>
        <translation>无存档副本</translation>
    </message>
    <message>
        <source>no archived copy (%1)</source>
        <translation>无存档副本（%1）</translation>
    </message>
    <message>
        <source>the Wayback Machine is not reachable from here</source>
        <translation>此处无法访问 Wayback Machine</translation>
    </message>
    <message>
        <source>the web archive answered HTTP %1 and asked for a pause of %2 s</source>
        <translation>网页存档回应 HTTP %1，要求暂停 %2 秒</translation>
    </message>
    <message>
        <source>the archived answer was HTTP %1</source>
        <translation>存档的回应是 HTTP %1</translation>
    </message>
    <message>
        <source>the capture names no WARC record that can be fetched</source>
        <translation>该存档未给出可获取的 WARC 记录</translation>
    </message>
    <message>
        <source>the archive ignored the byte range</source>
        <translation>存档服务器忽略了字节范围</translation>
    </message>
    <message>
        <source>the record is %1 bytes, not the %2 its index line gives</source>
        <translation>记录为 %1 字节，而非索引所写的 %2 字节</translation>
    </message>
    <message>
        <source>%1 bytes: outside the size limit</source>
        <translation>%1 字节：超出文件大小限制</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
</context>
<context>
    <name>Aria2Fleet</name>
    <message>
        <source>aria2 at %1 does not answer; its share goes to the others:</source>
        <translation>%1 上的 aria2 没有应答，它的那一份交给其他 aria2：</translation>
    </message>
    <message>
        <source>aria2 at %1 does not answer:</source>
        <translation>%1 上的 aria2 没有应答：</translation>
    </message>
    <message>
        <source>aria2 at %1 takes %2 rows of %3 hosts</source>
        <translation>%1 上的 aria2 接收 %3 个主机的 %2 行</translation>
    </message>
    <message>
        <source>aria2 at %1 stopped answering; its %2 unfinished rows go to the others:</source>
        <translation>%1 上的 aria2 不再应答，它未完成的 %2 行交给其他 aria2：</translation>
    </message>
    <message>
        <source>aria2 at %1 did not answer:</source>
        <translation>%1 上的 aria2 没有应答：</translation>
    </message>
    <message>
        <source>aria2 at %1 gave no usable state of %2:</source>
        <translation>%1 上的 aria2 没有给出 %2 的可用状态：</translation>
    </message>
    <message>
        <source>aria2 could not download %1:</source>
        <translation>aria2 无法下载 %1：</translation>
    </message>
    <message>
        <source>aria2 dropped %1:</source>
        <translation>aria2 丢弃了 %1：</translation>
    </message>
    <message>
        <source>its task was removed there</source>
        <translation>它的任务已在 aria2 中被删除</translation>
    </message>
    <message>
        <source>aria2 refused %1:</source>
        <translation>aria2 拒绝了 %1：</translation>
    </message>
    <message>
        <source>aria2 did not start %1:</source>
        <translation>aria2 没有开始下载 %1：</translation>
    </message>
</context>
<context>
    <name>ContentCheck</name>
    <message>
        <source>the file is %1, not a %2 file</source>
        <translation>该文件是 %1，不是 %2 文件</translation>
    </message>
</context>
<context>
    <name>DocDetailsPane</name>
    <message>
        <source>E-mail address</source>
        <translation>电子邮箱地址</translation>
    </message>
    <message>
        <source>User name</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>Path</source>
        <translation>路径</translation>
    </message>
    <message>
        <source>URL</source>
        <translation>网址</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>打印机</translation>
    </message>
    <message>
        <source>read</source>
        <translation>已读取</translation>
    </message>
    <message>
        <source>encrypted, no metadata</source>
        <translation>已加密，无元数据</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>已损坏</translation>
    </message>
    <message>
        <source>not readable</source>
        <translation>无法读取</translation>
    </message>
    <message>
        <source>Highlight a row to see its document&apos;s details.</source>
        <translation>选中一行即可查看其文档的详细信息。</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>文件名</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>No metadata has been read for this document.</source>
        <translation>尚未读取此文档的元数据。</translation>
    </message>
    <message>
        <source>Metadata</source>
        <translation>元数据</translation>
    </message>
    <message>
        <source> (%1)</source>
        <translation>（%1）</translation>
    </message>
    <message>
        <source>Document type</source>
        <translation>文档类型</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>标题</translation>
    </message>
    <message>
        <source>Title (XMP)</source>
        <translation>标题（XMP）</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>作者</translation>
    </message>
    <message>
        <source>Author (XMP)</source>
        <translation>作者（XMP）</translation>
    </message>
    <message>
        <source>Subject</source>
        <translation>主题</translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation>关键词</translation>
    </message>
    <message>
        <source>Last modified by</source>
        <translation>最后修改者</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>应用程序</translation>
    </message>
    <message>
        <source>Producer</source>
        <translation>生成程序</translation>
    </message>
    <message>
        <source>Company</source>
        <translation>公司</translation>
    </message>
    <message>
        <source>Created</source>
        <translation>创建时间</translation>
    </message>
    <message>
        <source>Modified</source>
        <translation>修改时间</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>页数</translation>
    </message>
    <message>
        <source>PDF version</source>
        <translation>PDF 版本</translation>
    </message>
    <message>
        <source>Encrypted</source>
        <translation>已加密</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>大小</translation>
    </message>
    <message>
        <source>SHA-256</source>
        <translation>SHA-256</translation>
    </message>
    <message>
        <source>Document</source>
        <translation>文档</translation>
    </message>
    <message>
        <source>(in %1)</source>
        <translation>（在 %1 中）</translation>
    </message>
    <message>
        <source>Found in the metadata</source>
        <translation>元数据中发现的信息</translation>
    </message>
    <message>
        <source>History</source>
        <translation>历史记录</translation>
    </message>
</context>
<context>
    <name>DownloadPool</name>
    <message>
        <source>The download list is empty</source>
        <translation>下载列表为空</translation>
    </message>
    <message>
        <source>Choose the folder to save the files in</source>
        <translation>请选择文件保存位置</translation>
    </message>
    <message>
        <source>Download thread %1 has finished this run!</source>
        <translation>下载线程%1本次下载已完成!</translation>
    </message>
    <message>
        <source>%1 answered %2: no downloads from it until %3 (%4 s)</source>
        <translation>%1 应答 %2：%3 之前不再从它下载（%4 秒）</translation>
    </message>
    <message>
        <source>the time limit of %1 minutes per file ran out</source>
        <translation>超过了每个文件 %1 分钟的时间限制</translation>
    </message>
    <message>
        <source>no safe file name in the save folder for this title and type</source>
        <translation>无法在保存目录中为此标题和类型取得安全的文件名</translation>
    </message>
    <message>
        <source>another row is writing %1 right now</source>
        <translation>另一行正在写入 %1</translation>
    </message>
    <message>
        <source>HTTP %1: the server asked for a pause, %2 times</source>
        <translation>HTTP %1：服务器已 %2 次要求暂停</translation>
    </message>
    <message>
        <source>HTTP %1: the server asked for a pause of %2 s, past the time limit of %3 minutes per file</source>
        <translation>HTTP %1：服务器要求暂停 %2 秒，超出每个文件 %3 分钟的时间限制</translation>
    </message>
    <message>
        <source>HTTP %1: the server asked for a pause %2 times in a row</source>
        <translation>HTTP %1：服务器连续 %2 次要求暂停</translation>
    </message>
    <message>
        <source>, past the time limit of %1 minutes per file</source>
        <translation>，超过了每个文件 %1 分钟的时间限制</translation>
    </message>
    <message>
        <source>same as %1</source>
        <translation>与 %1 相同</translation>
    </message>
</context>
<context>
    <name>EngineNames</name>
    <message>
        <source>63da search</source>
        <translation>63档搜索</translation>
    </message>
    <message>
        <source>63da list</source>
        <translation>63档列表</translation>
    </message>
    <message>
        <source>AOL</source>
        <translation>AOL</translation>
    </message>
    <message>
        <source>Baidu</source>
        <translation>百度</translation>
    </message>
    <message>
        <source>Bing</source>
        <translation>必应</translation>
    </message>
    <message>
        <source>Bing Academic</source>
        <translation>必应学术</translation>
    </message>
    <message>
        <source>Brave Search API</source>
        <translation>Brave 搜索 API</translation>
    </message>
    <message>
        <source>Brave Search</source>
        <translation>Brave 搜索</translation>
    </message>
    <message>
        <source>DuckDuckGo</source>
        <translation>DuckDuckGo</translation>
    </message>
    <message>
        <source>Google Programmable Search API</source>
        <translation>谷歌可编程搜索 API</translation>
    </message>
    <message>
        <source>Google</source>
        <translation>谷歌</translation>
    </message>
    <message>
        <source>OpenAlex (open access papers)</source>
        <translation>OpenAlex（开放获取论文）</translation>
    </message>
    <message>
        <source>Common Crawl (web archive)</source>
        <translation>Common Crawl（网页存档）</translation>
    </message>
    <message>
        <source>Wayback Machine (web archive)</source>
        <translation>Wayback Machine（网页存档）</translation>
    </message>
    <message>
        <source>Osun</source>
        <translation>Osun</translation>
    </message>
    <message>
        <source>PDF sites</source>
        <translation>PDF 网站</translation>
    </message>
    <message>
        <source>Google Scholar</source>
        <translation>谷歌学术</translation>
    </message>
    <message>
        <source>SearXNG instances</source>
        <translation>SearXNG 实例</translation>
    </message>
    <message>
        <source>Sogou</source>
        <translation>搜狗</translation>
    </message>
    <message>
        <source>Soso</source>
        <translation>搜搜</translation>
    </message>
    <message>
        <source>Startpage</source>
        <translation>Startpage</translation>
    </message>
    <message>
        <source>Yahoo</source>
        <translation>雅虎</translation>
    </message>
    <message>
        <source>Yandex</source>
        <translation>Yandex</translation>
    </message>
    <message>
        <source>Youdao</source>
        <translation>有道</translation>
    </message>
    <message>
        <source>Zhongsou</source>
        <translation>中搜</translation>
    </message>
</context>
<context>
    <name>EnginesDialog</name>
    <message>
        <source>Instances (comma-separated)</source>
        <translation>实例（以逗号分隔）</translation>
    </message>
    <message>
        <source>API key</source>
        <translation>API 密钥</translation>
    </message>
    <message>
        <source>Engine id (cx)</source>
        <translation>引擎 ID (cx)</translation>
    </message>
    <message>
        <source>Subscription token</source>
        <translation>订阅令牌</translation>
    </message>
    <message>
        <source>E-mail (optional)</source>
        <translation>电子邮箱（可选）</translation>
    </message>
    <message>
        <source>Engines</source>
        <translation>引擎</translation>
    </message>
    <message>
        <source>&lt;b&gt;Engine&lt;/b&gt;</source>
        <translation>&lt;b&gt;引擎&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Keys&lt;/b&gt;</source>
        <translation>&lt;b&gt;密钥&lt;/b&gt;</translation>
    </message>
    <message>
        <source>&lt;b&gt;Last blocked because&lt;/b&gt;</source>
        <translation>&lt;b&gt;最近一次被拦截的原因&lt;/b&gt;</translation>
    </message>
    <message>
        <source>Asked while &quot;%1&quot; above and this box are both ticked</source>
        <translation>上面的“%1”和本框都勾选时才搜索</translation>
    </message>
    <message>
        <source>Show keys</source>
        <translation>显示密钥</translation>
    </message>
</context>
<context>
    <name>FileDownload</name>
    <message>
        <source>cannot rename the file to %1: %2</source>
        <translation>无法将文件改名为 %1：%2</translation>
    </message>
    <message>
        <source>HTTP %1: the server asks for a login</source>
        <translation>HTTP %1：服务器要求登录</translation>
    </message>
    <message>
        <source>%1 bytes: outside the size limit</source>
        <translation>%1 字节：超出文件大小限制</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>timed out: no data for %1 s</source>
        <translation>超时：%1 秒没有收到数据</translation>
    </message>
    <message>
        <source>the transfer ended without a file</source>
        <translation>传输结束，但没有得到文件</translation>
    </message>
    <message>
        <source>%1 is not a usable address</source>
        <translation>%1 不是可用的地址</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>目录 %1 不存在</translation>
    </message>
    <message>
        <source>cannot create %1: %2</source>
        <translation>无法创建 %1：%2</translation>
    </message>
    <message>
        <source>no thread for the transfer</source>
        <translation>没有可用于传输的线程</translation>
    </message>
</context>
<context>
    <name>Handoff</name>
    <message>
        <source>The download list is empty</source>
        <translation>下载列表为空</translation>
    </message>
    <message>
        <source>Choose the folder to save the files in</source>
        <translation>请选择文件保存位置</translation>
    </message>
    <message>
        <source>Once the list is sent to aria2, aria2 takes over the downloads. Send it to aria2?</source>
        <translation>发送到 aria2 后，下载过程将由 aria2 接管，是否要发送到 aria2？</translation>
    </message>
    <message>
        <source>Send to aria2</source>
        <translation>发送到 aria2</translation>
    </message>
    <message>
        <source>Sending to aria2, please wait!</source>
        <translation>正在发送到 aria2，请稍等！</translation>
    </message>
    <message>
        <source>Could not connect to aria2</source>
        <translation>连接 aria2 失败</translation>
    </message>
    <message>
        <source>has been downloaded before</source>
        <translation>已经被下载过了</translation>
    </message>
    <message>
        <source>is being handed to aria2</source>
        <translation>正在加入 aria2 任务</translation>
    </message>
    <message>
        <source>%1 rows are being downloaded here and were not handed to aria2</source>
        <translation>%1 行正在本程序中下载，没有交给 aria2</translation>
    </message>
    <message>
        <source>Sending to aria2 was cancelled</source>
        <translation>发送到 aria2 被取消</translation>
    </message>
    <message>
        <source>aria2 starts downloading right away, please wait</source>
        <translation>马上启动 aria2 下载，请稍等</translation>
    </message>
    <message>
        <source>aria2 is no longer followed: %1 links downloaded, %2 failed, %3 still with aria2 (not recorded as downloaded)</source>
        <translation>不再跟踪 aria2：已下载 %1 个链接，失败 %2 个，%3 个仍在 aria2 中（未记为已下载）</translation>
    </message>
    <message>
        <source>aria2 downloaded %1 links and failed %2; see run.log</source>
        <translation>aria2 下载了 %1 个链接，失败 %2 个；详见 run.log</translation>
    </message>
    <message>
        <source>aria2 downloaded %1 links</source>
        <translation>aria2 下载了 %1 个链接</translation>
    </message>
    <message>
        <source>aria2 can only use an HTTP proxy, and the download proxy is not one; download the list here instead</source>
        <translation>aria2 只能使用 HTTP 代理，而下载代理不是 HTTP 代理；请改为在本程序中下载该列表</translation>
    </message>
</context>
<context>
    <name>HyperLink</name>
    <message>
        <source>The specified file was not found.</source>
        <translation>系统找不到指定的文件。</translation>
    </message>
</context>
<context>
    <name>ListFiles</name>
    <message>
        <source>%1 is not a regular file</source>
        <translation>%1 不是普通文件</translation>
    </message>
    <message>
        <source>Loading failed; check that the XML file is well formed!</source>
        <translation>加载失败，请检查xml文件格式是否正确！</translation>
    </message>
    <message>
        <source>Loading failed; check that the XML file is well formed. The List file is loaded instead</source>
        <translation>加载失败，请检查xml文件格式是否正确，将加载List文件</translation>
    </message>
</context>
<context>
    <name>ListKeeper</name>
    <message>
        <source>Saving automatically, please wait...</source>
        <translation>正在自动保存中，请稍等...</translation>
    </message>
    <message>
        <source>The list was not saved: %1</source>
        <translation>列表没有保存：%1</translation>
    </message>
    <message>
        <source>Export finished</source>
        <translation>导出完成</translation>
    </message>
    <message>
        <source>The list is empty</source>
        <translation>列表为空</translation>
    </message>
    <message>
        <source>The last list %1 is not a regular file; it is not loaded and not saved to.</source>
        <translation>上次的列表 %1 不是普通文件；不加载它，也不保存到它。</translation>
    </message>
    <message>
        <source>The list %1 cannot be read; its twin %2 was loaded and is saved from now on: %1 is left as it is.</source>
        <translation>无法读取列表 %1；已加载它的副本 %2，此后保存到副本：%1 保持原样。</translation>
    </message>
    <message>
        <source>The list was not saved:</source>
        <translation>列表没有保存：</translation>
    </message>
    <message>
        <source>Lines of %2 that could not be read were skipped: %1; the file is left as it is.</source>
        <translation>%2 中无法读取的行已跳过：%1 行；该文件保持不变。</translation>
    </message>
    <message>
        <source>%1 changed on disk since it was loaded and is left as it is: the list (rows: %2) is kept in %3.</source>
        <translation>%1 在载入后已被改动，它将保持不变：列表（%2 行）保存在 %3。</translation>
    </message>
    <message>
        <source>%1 has lines that could not be read (%2) and is left as it is: the list (rows: %3) is kept in %4.</source>
        <translation>%1 中有无法读取的行（%2 行），它将保持不变：列表（%3 行）保存在 %4。</translation>
    </message>
    <message>
        <source>%1 holds a list that was not loaded and is left as it is: the list (rows: %2) is kept in %3.</source>
        <translation>%1 存有一个未载入的列表，它将保持不变：列表（%2 行）保存在 %3。</translation>
    </message>
</context>
<context>
    <name>ListRun</name>
    <message>
        <source>The list %1 cannot be read (%2); its twin %3 is used instead, and the statuses are written to the twin only: %1 is left as it is.</source>
        <translation>无法读取列表 %1（%2）；改用它的副本 %3，状态只写入副本：%1 保持原样。</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Archive sites:</source>
        <translation>存档站点：</translation>
    </message>
    <message>
        <source>Fetch dead links from the web archive</source>
        <translation>失效链接从网页存档下载</translation>
    </message>
    <message>
        <source>Domains or address prefixes, comma separated, that the web archives ticked under Engines… are asked about</source>
        <translation>在“引擎…”中勾选的网页存档所查询的域名或地址前缀，以逗号分隔</translation>
    </message>
    <message>
        <source>A link that answers 404 or 410, or whose host is gone, is downloaded from its archived copy</source>
        <translation>回应 404 或 410、或主机已不存在的链接，从其存档副本下载</translation>
    </message>
    <message>
        <source>Skimmer Document Search &amp; Download %1</source>
        <translation>Skimmer 文档搜索下载 %1</translation>
    </message>
    <message>
        <source>Keyword:</source>
        <translation>关键字：</translation>
    </message>
    <message>
        <source>Keywords</source>
        <translation>关键字</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>添加</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清空</translation>
    </message>
    <message>
        <source>63Da</source>
        <translation>63档</translation>
    </message>
    <message>
        <source>Search engines:</source>
        <translation>搜索引擎：</translation>
    </message>
    <message>
        <source>Google Scholar</source>
        <translation>谷歌学术</translation>
    </message>
    <message>
        <source>Baidu</source>
        <translation>百度</translation>
    </message>
    <message>
        <source>Bing</source>
        <translation>必应</translation>
    </message>
    <message>
        <source>Bing Academic</source>
        <translation>必应学术</translation>
    </message>
    <message>
        <source>Bing (English only)</source>
        <translation>必应全英搜索</translation>
    </message>
    <message>
        <source>Sogou</source>
        <translation>搜狗</translation>
    </message>
    <message>
        <source>Youdao</source>
        <translation>有道</translation>
    </message>
    <message>
        <source>Yahoo</source>
        <translation>雅虎</translation>
    </message>
    <message>
        <source>Zhongsou</source>
        <translation>中搜</translation>
    </message>
    <message>
        <source>Other</source>
        <translation>其他</translation>
    </message>
    <message>
        <source>Other engine&apos;s address filter</source>
        <translation>其他引擎URL过滤</translation>
    </message>
    <message>
        <source>Match the address filter words</source>
        <translation>匹配地址过滤词</translation>
    </message>
    <message>
        <source>Document formats:</source>
        <translation>文档格式：</translation>
    </message>
    <message>
        <source>Archives</source>
        <translation>压缩</translation>
    </message>
    <message>
        <source>Any time</source>
        <translation>全部时间</translation>
    </message>
    <message>
        <source>Past day</source>
        <translation>最近一天</translation>
    </message>
    <message>
        <source>Past week</source>
        <translation>最近一周</translation>
    </message>
    <message>
        <source>Past month</source>
        <translation>最近一月</translation>
    </message>
    <message>
        <source>Past year</source>
        <translation>最近一年</translation>
    </message>
    <message>
        <source>Published:</source>
        <translation>文档发布时间：</translation>
    </message>
    <message>
        <source>Find document sizes (slower)</source>
        <translation>计算文档大小（较慢）</translation>
    </message>
    <message>
        <source>Limit document size when downloading</source>
        <translation>下载时限制文档大小</translation>
    </message>
    <message>
        <source>File size</source>
        <translation>文件大小</translation>
    </message>
    <message>
        <source>KB to</source>
        <translation>KB 到</translation>
    </message>
    <message>
        <source>Titles of at least</source>
        <translation>标题字数</translation>
    </message>
    <message>
        <source>characters</source>
        <translation>个以上</translation>
    </message>
    <message>
        <source>Title must match a keyword</source>
        <translation>匹配关键词</translation>
    </message>
    <message>
        <source>Add a random suffix to names already in the list</source>
        <translation>文件在列表中存在则加随机后缀</translation>
    </message>
    <message>
        <source>Skip documents already downloaded</source>
        <translation>忽略已下文档</translation>
    </message>
    <message>
        <source>Load the last list at start</source>
        <translation>启动加载上次列表</translation>
    </message>
    <message>
        <source>Search with</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>threads</source>
        <translation>线程</translation>
    </message>
    <message>
        <source>seconds</source>
        <translation>秒</translation>
    </message>
    <message>
        <source>Stop deep search above</source>
        <translation>待查地址超</translation>
    </message>
    <message>
        <source>queued addresses</source>
        <translation>个停止深度搜索</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>选择</translation>
    </message>
    <message>
        <source>Choose a folder</source>
        <translation>请选择一个文件夹</translation>
    </message>
    <message>
        <source>Save to:</source>
        <translation>保  存：</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>同时下载</translation>
    </message>
    <message>
        <source>at a time;</source>
        <translation>个，</translation>
    </message>
    <message>
        <source>time limit per file</source>
        <translation>每个文件下载超时</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>分钟</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>搜索</translation>
    </message>
    <message>
        <source>Stop Deep Search</source>
        <translation>停止深度搜索</translation>
    </message>
    <message>
        <source>Clear Search History</source>
        <translation>清搜索记录</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>Engines…</source>
        <translation>引擎…</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>选择</translation>
    </message>
    <message>
        <source>Uncheck</source>
        <translation>取消选择</translation>
    </message>
    <message>
        <source>Check by Status…</source>
        <translation>批量选择</translation>
    </message>
    <message>
        <source>Set Status…</source>
        <translation>状态设置</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Import…</source>
        <translation>导入</translation>
    </message>
    <message>
        <source>Append…</source>
        <translation>追加</translation>
    </message>
    <message>
        <source>Start Download</source>
        <translation>开始下载</translation>
    </message>
    <message>
        <source>Send to aria2</source>
        <translation>发送到 aria2</translation>
    </message>
    <message>
        <source>The download list is empty.</source>
        <translation>下载列表为空</translation>
    </message>
    <message>
        <source>List XML (*.xml);;List files (*.list);;All files (*)</source>
        <translation>列表XML(*.xml);;列表文件(*.list);;全部文件(*)</translation>
    </message>
    <message>
        <source>The list is empty.</source>
        <translation>列表为空</translation>
    </message>
    <message>
        <source>List files (*.list);;All files (*)</source>
        <translation>列表文件(*.list);;全部文件(*)</translation>
    </message>
    <message>
        <source>Show Window</source>
        <translation>显示主窗口</translation>
    </message>
    <message>
        <source>Hide Window</source>
        <translation>隐藏主窗口</translation>
    </message>
    <message>
        <source>About…</source>
        <translation>关于...</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>%1
Finds documents shared publicly on the web by keyword and downloads them in bulk.</source>
        <translation>%1
按关键字搜索网上公开的文档并批量下载。</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出程序</translation>
    </message>
    <message>
        <source>Quit the program?</source>
        <translation>要退出来程序吗？</translation>
    </message>
    <message>
        <source>Confirm Quit</source>
        <translation>退出警告</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>导入</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>替换</translation>
    </message>
    <message>
        <source>Append</source>
        <translation>追加</translation>
    </message>
    <message>
        <source>Confirm Removal</source>
        <translation>确认删除</translation>
    </message>
    <message>
        <source>This row has no downloaded file in the save folder.</source>
        <translation>保存文件夹中没有这一行已下载的文件。</translation>
    </message>
    <message>
        <source>No save folder is set.</source>
        <translation>尚未设置保存文件夹。</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>打开文件</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>打开所在文件夹</translation>
    </message>
    <message>
        <source>Copy Link</source>
        <translation>复制链接</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>重试</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Invert Ticks</source>
        <translation>反选</translation>
    </message>
    <message>
        <source>Replace the list&apos;s rows (%1) with the file&apos;s rows, or append the file&apos;s new rows?</source>
        <translation>用文件中的行替换列表中已有的行（%1 行），还是把文件中的新行追加到后面？</translation>
    </message>
    <message>
        <source>Remove %1 keywords?</source>
        <translation>要删除这 %1 个关键词吗？</translation>
    </message>
    <message>
        <source>Remove %1 rows?</source>
        <translation>要删除这 %1 行吗？</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is already in the keyword list.</source>
        <translation>“%1”已在关键字列表中。</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <extracomment>A button&apos;s tooltip: its caption and its shortcut.</extracomment>
        <translation>%1（%2）</translation>
    </message>
    <message>
        <source>Downloads running: %1. They stop, and their rows go back to waiting.</source>
        <translation>正在进行的下载：%1 个。它们将停止，其行回到等待。</translation>
    </message>
    <message>
        <source>The list (rows: %1) will be kept in %2.</source>
        <translation>列表（%1 行）将保存在 %2。</translation>
    </message>
    <message>
        <source>Loading the list… %1 rows read</source>
        <translation>正在载入列表… 已读 %1 行</translation>
    </message>
    <message>
        <source>The list is loaded: %1 rows</source>
        <translation>列表已载入：%1 行</translation>
    </message>
    <message>
        <source>The list is loaded: %1 rows; lines that could not be read were skipped: %2, and its file is left as it is.</source>
        <translation>列表已载入：%1 行；无法读取的行已跳过：%2 行，其文件保持不变。</translation>
    </message>
    <message>
        <source>A list is being loaded; this can be done once it is in.</source>
        <translation>正在载入列表；载入完成后才能进行此操作。</translation>
    </message>
    <message>
        <source>A list is being loaded: quitting stops the load, and the list is kept as it was.</source>
        <translation>正在载入列表：退出将停止载入，列表保持原样。</translation>
    </message>
    <message>
        <source>The list is empty: %1 will be emptied.</source>
        <translation>列表为空：%1 将被清空。</translation>
    </message>
    <message>
        <source>The list (rows: %1) will not be saved: %2 holds another list, which is kept. Choose Save As to keep this one.</source>
        <translation>列表（%1 行）不会被保存：%2 存有另一个列表，它将保持不变。要保留本列表，请选择“另存为”。</translation>
    </message>
    <message>
        <source>The list (rows: %1) will not be saved.</source>
        <translation>列表（%1 行）不会被保存。</translation>
    </message>
    <message>
        <source>Save As…</source>
        <translation>另存为…</translation>
    </message>
    <message>
        <source>Pause between result pages</source>
        <translation>搜索间隔</translation>
    </message>
    <message>
        <source>Overwrite existing files</source>
        <translation>文件存在覆盖</translation>
    </message>
    <message>
        <source>Ask one more engine: its search address, with the keyword where it goes</source>
        <translation>再搜索一个引擎：填写它的搜索地址，关键字放在相应位置</translation>
    </message>
    <message>
        <source>The other engine&apos;s search address</source>
        <translation>其他引擎的搜索地址</translation>
    </message>
    <message>
        <source>Words an address must hold for the deep search to follow it</source>
        <translation>深度搜索只跟随含有这些词的地址</translation>
    </message>
    <message>
        <source>Follow only addresses that hold one of the address filter words</source>
        <translation>只跟随含有某个地址过滤词的地址</translation>
    </message>
    <message>
        <source>Search one more document type, named by its extension</source>
        <translation>再搜索一种文档类型，按扩展名指定</translation>
    </message>
    <message>
        <source>The extension of the other document type, such as epub</source>
        <translation>其他文档类型的扩展名，例如 epub</translation>
    </message>
    <message>
        <source>Ask every document&apos;s size while searching; slower</source>
        <translation>搜索时查询每个文档的大小；较慢</translation>
    </message>
    <message>
        <source>Skip documents outside the size range below</source>
        <translation>跳过大小不在下面范围内的文档</translation>
    </message>
    <message>
        <source>Hits with shorter titles are left out</source>
        <translation>标题更短的结果不列入</translation>
    </message>
    <message>
        <source>Only hits whose title holds a keyword</source>
        <translation>只列入标题含有关键字的结果</translation>
    </message>
    <message>
        <source>A title already in the list gets a random suffix, so no file overwrites another</source>
        <translation>列表中已有的标题加随机后缀，文件不会互相覆盖</translation>
    </message>
    <message>
        <source>Links downloaded in earlier runs are not listed again</source>
        <translation>以前下载过的链接不再列入</translation>
    </message>
    <message>
        <source>At start, load the list that was open when the program quit</source>
        <translation>启动时加载退出时打开的列表</translation>
    </message>
    <message>
        <source>How many result pages are fetched at once (1 to 50)</source>
        <translation>同时获取的结果页数（1 到 50）</translation>
    </message>
    <message>
        <source>Seconds each search thread waits between two result pages</source>
        <translation>每个搜索线程在两个结果页之间等待的秒数</translation>
    </message>
    <message>
        <source>A download replaces a file of the same name in the save folder</source>
        <translation>下载的文件替换保存目录中的同名文件</translation>
    </message>
    <message>
        <source>The deep search stops following links once this many addresses wait; 0: never</source>
        <translation>待查地址达到此数时深度搜索停止跟随链接；0：不停止</translation>
    </message>
    <message>
        <source>How many files are downloaded at once</source>
        <translation>同时下载的文件数</translation>
    </message>
    <message>
        <source>A file that takes longer is given up</source>
        <translation>超过此时间的文件将放弃</translation>
    </message>
    <message>
        <source>Stop Search</source>
        <translation>停止搜索</translation>
    </message>
    <message>
        <source>Add a keyword first: type it beside &quot;Keyword:&quot; and press Add.</source>
        <translation>请先添加关键字：在“关键字：”旁输入后按“添加”。</translation>
    </message>
    <message>
        <source>The previous search left %1 result pages waiting, queued with other engines, formats or keywords than those ticked now. Continue the previous search, or start anew with today&apos;s options (the waiting pages are dropped)?</source>
        <translation>上次搜索还有 %1 个结果页在等待，它们是按与现在勾选的不同的引擎、格式或关键字排入的。继续上次的搜索，还是按现在的选项重新开始（丢弃等待的结果页）？</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>继续</translation>
    </message>
    <message>
        <source>Start Anew</source>
        <translation>重新开始</translation>
    </message>
    <message>
        <source>API engines: none</source>
        <translation>API 引擎：无</translation>
    </message>
    <message>
        <source>API engines: %1</source>
        <translation>API 引擎：%1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>Tick or untick them under Engines…</source>
        <translation>在“引擎…”中勾选或取消</translation>
    </message>
    <message>
        <source>Stop Download</source>
        <translation>停止下载</translation>
    </message>
    <message>
        <source>No program on this desktop opens %1. Set one up for this kind of file or address, or open it by hand.</source>
        <translation>桌面上没有可以打开 %1 的程序。请为这类文件或地址设置一个程序，或手动打开。</translation>
    </message>
    <message>
        <source>The help file README.md is not installed.</source>
        <translation>帮助文件 README.md 没有安装。</translation>
    </message>
    <message>
        <source>Network…</source>
        <translation>网络…</translation>
    </message>
    <message>
        <source>Use the Document&apos;s Title</source>
        <translation>使用文档自身的标题</translation>
    </message>
    <message>
        <source>Rows titled with a file name show the title inside the document; the list and the saved file keep their names.</source>
        <translation>标题为文件名的行显示文档内的标题；列表和已保存的文件保留原名。</translation>
    </message>
    <message>
        <source>Details Pane</source>
        <translation>详细信息窗格</translation>
    </message>
    <message>
        <source>Read Documents&apos; Metadata</source>
        <translation>读取文档元数据</translation>
    </message>
    <message>
        <source>Document Report…</source>
        <translation>文档报告…</translation>
    </message>
    <message>
        <source>The registry cannot be opened: %1</source>
        <translation>无法打开下载记录库：%1</translation>
    </message>
    <message>
        <source>The report could not be written to %1: %2</source>
        <translation>无法将报告写入 %1：%2</translation>
    </message>
    <message>
        <source>Web page (*.html);;CSV (*.csv);;JSON (*.json)</source>
        <translation>网页 (*.html);;CSV (*.csv);;JSON (*.json)</translation>
    </message>
    <message>
        <source>The documents&apos; metadata is being read already.</source>
        <translation>正在读取文档元数据。</translation>
    </message>
    <message>
        <source>Reading the documents&apos; metadata…</source>
        <translation>正在读取文档元数据…</translation>
    </message>
    <message>
        <source>Reading metadata (%1 done): %2</source>
        <translation>正在读取元数据（已完成 %1 个）：%2</translation>
    </message>
    <message>
        <source>The registry cannot take the documents&apos; metadata.</source>
        <translation>下载记录库无法保存文档元数据。</translation>
    </message>
    <message>
        <source>Metadata read for %1 documents.</source>
        <translation>已读取 %1 个文档的元数据。</translation>
    </message>
    <message>
        <source>Read Metadata</source>
        <translation>读取元数据</translation>
    </message>
</context>
<context>
    <name>NetworkDialog</name>
    <message>
        <source>Network</source>
        <translation>网络</translation>
    </message>
    <message>
        <source>Proxy for everything</source>
        <translation>所有请求的代理</translation>
    </message>
    <message>
        <source>Proxy for result pages</source>
        <translation>结果页的代理</translation>
    </message>
    <message>
        <source>Proxy for search APIs</source>
        <translation>搜索 API 的代理</translation>
    </message>
    <message>
        <source>Proxy for documents</source>
        <translation>文档下载的代理</translation>
    </message>
    <message>
        <source>Proxy pool for result pages (comma-separated)</source>
        <translation>结果页代理池（以逗号分隔）</translation>
    </message>
    <message>
        <source>Hosts without proxy (comma-separated)</source>
        <translation>不使用代理的主机（以逗号分隔）</translation>
    </message>
    <message>
        <source>CA bundle (PEM file)</source>
        <translation>CA 证书包（PEM 文件）</translation>
    </message>
    <message>
        <source>Use the proxies of the environment (http_proxy, no_proxy) where none is set</source>
        <translation>未设置代理时使用环境变量中的代理（http_proxy、no_proxy）</translation>
    </message>
    <message>
        <source>Show passwords</source>
        <translation>显示密码</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>Setting.ini was not written: %1</source>
        <translation>未能写入 Setting.ini：%1</translation>
    </message>
</context>
<context>
    <name>Options</name>
    <message>
        <source>Enter an integer between %1 and %2.</source>
        <translation>请输入一个介于 %1 和 %2 之间的整数。</translation>
    </message>
    <message>
        <source>Enter at most %1 characters.</source>
        <translation>请输入不超过 %1 个字符。</translation>
    </message>
</context>
<context>
    <name>ResultList</name>
    <message>
        <source>already exists</source>
        <translation>已经存在</translation>
    </message>
</context>
<context>
    <name>ResultTableModel</name>
    <message>
        <source>File Name</source>
        <translation>文件名</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>类型</translation>
    </message>
    <message>
        <source>Size (KB)</source>
        <translation>大小(KB)</translation>
    </message>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>等待</translation>
    </message>
    <message>
        <source>Downloading</source>
        <translation>下载中</translation>
    </message>
    <message>
        <source>Downloaded</source>
        <translation>下载成功</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>下载失败</translation>
    </message>
    <message>
        <source>Duplicate</source>
        <translation>重复文档</translation>
    </message>
    <message>
        <source>Uploading</source>
        <translation>正在上传</translation>
    </message>
    <message>
        <source>Done: %1</source>
        <extracomment>Download progress; %1 is the percentage with its sign, as the worker wrote it.</extracomment>
        <translation>完成:%1</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>%1/s</source>
        <extracomment>Download speed, such as &quot;1.5 MB/s&quot;.</extracomment>
        <translation>%1/秒</translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <extracomment>A row&apos;s progress and its speed: &quot;Done: 42% · 1.5 MB/s&quot;.</extracomment>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>Author</source>
        <translation>作者</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>页数</translation>
    </message>
    <message>
        <source>Created</source>
        <translation>创建时间</translation>
    </message>
    <message>
        <source>Producer</source>
        <translation>生成程序</translation>
    </message>
</context>
<context>
    <name>RobotsCache</name>
    <message>
        <source>answered %1</source>
        <translation>应答 %1</translation>
    </message>
    <message>
        <source>did not answer</source>
        <translation>没有应答</translation>
    </message>
    <message>
        <source>%1 %2: the deep search treats the site as allowing everything</source>
        <translation>%1 %2：深度搜索视该网站为全部允许</translation>
    </message>
</context>
<context>
    <name>SearchJob</name>
    <message>
        <source>Reading the sitemap:</source>
        <translation>读取站点地图：</translation>
    </message>
    <message>
        <source>could not resolve %1</source>
        <translation>无法解析 %1</translation>
    </message>
    <message>
        <source>could not connect to %1</source>
        <translation>无法连接 %1</translation>
    </message>
    <message>
        <source>no secure connection to %1</source>
        <translation>无法与 %1 建立安全连接</translation>
    </message>
    <message>
        <source>no network: %1</source>
        <translation>没有网络：%1</translation>
    </message>
    <message>
        <source>%1 is stopped (%2):</source>
        <translation>%1 已停止（%2）：</translation>
    </message>
    <message>
        <source>its first %1 fetches failed, %2 result pages skipped</source>
        <translation>前 %1 次获取均失败，跳过 %2 个结果页</translation>
    </message>
    <message>
        <source>The file size limits are not valid</source>
        <translation>文件大小限制非法</translation>
    </message>
    <message>
        <source>The search has finished</source>
        <translation>搜索已全部结束</translation>
    </message>
    <message>
        <source>Thread %1 started</source>
        <translation>线程%1启动</translation>
    </message>
    <message>
        <source>Thread %1 finished</source>
        <translation>线程%1结束</translation>
    </message>
    <message>
        <source>Search thread</source>
        <translation>搜索线程</translation>
    </message>
    <message>
        <source>finished</source>
        <translation>结束</translation>
    </message>
    <message>
        <source>Fetching the remote page:</source>
        <translation>正在获取远方网页信息：</translation>
    </message>
    <message>
        <source>Could not get the data:</source>
        <translation>无法得到数据信息：</translation>
    </message>
    <message>
        <source>Fetched, reading the links:</source>
        <translation>获取成功，正在分析链接：</translation>
    </message>
    <message>
        <source>robots.txt disallows</source>
        <translation>robots.txt 不允许</translation>
    </message>
    <message>
        <source>no %1 in [Engines] of Setting.ini</source>
        <translation>Setting.ini 的 [Engines] 中没有 %1</translation>
    </message>
    <message>
        <source>%1 is left out of this search:</source>
        <translation>本次搜索不使用 %1：</translation>
    </message>
    <message>
        <source>no site in ArchiveSites</source>
        <translation>ArchiveSites 中没有网站</translation>
    </message>
    <message>
        <source>Asking the web archive:</source>
        <translation>正在查询网页档案：</translation>
    </message>
    <message>
        <source>%1 gave an answer that cannot be read (%2)</source>
        <translation>%1 的应答无法读取（%2）</translation>
    </message>
    <message>
        <source>%1 gave an answer that cannot be read (%2):</source>
        <translation>%1 的应答无法读取（%2）：</translation>
    </message>
    <message>
        <source>page %1</source>
        <translation>第 %1 页</translation>
    </message>
    <message>
        <source>%1: %2 lines of the index&apos;s answers were skipped (missing or extra fields, or outside the site):</source>
        <translation>%1：跳过了索引应答中的 %2 行（字段缺少或多余，或不在该网站内）：</translation>
    </message>
    <message>
        <source>%1: the newest %2 crawls were asked (CommonCrawlCrawls), %3 older ones left out</source>
        <translation>%1：只查询了最新的 %2 次抓取（CommonCrawlCrawls），略过了 %3 次较早的抓取</translation>
    </message>
    <message>
        <source>%1: %2 results without a usable address were skipped:</source>
        <translation>%1：跳过了 %2 个没有可用地址的结果：</translation>
    </message>
    <message>
        <source>SearXNG instance rests:</source>
        <translation>SearXNG 实例暂停使用：</translation>
    </message>
    <message>
        <source>HTTP %1</source>
        <translation>HTTP %1</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>没有应答</translation>
    </message>
    <message>
        <source>every SearXNG instance failed or asked for a pause</source>
        <translation>所有 SearXNG 实例都失败或要求暂停</translation>
    </message>
    <message>
        <source>SearXNG: engines of the instance that did not answer:</source>
        <translation>SearXNG：该实例中没有应答的引擎：</translation>
    </message>
    <message>
        <source>%1 blocked the search (%2):</source>
        <translation>%1 拦截了搜索（%2）：</translation>
    </message>
    <message>
        <source>suspended for the rest of the search, %1 result pages skipped</source>
        <translation>本次搜索余下部分暂停使用，跳过了 %1 个结果页</translation>
    </message>
    <message>
        <source>%1 result pages skipped</source>
        <translation>跳过了 %1 个结果页</translation>
    </message>
    <message>
        <source>Waiting before the next request:</source>
        <translation>进入延时等待:</translation>
    </message>
    <message>
        <source>thread %1 - (%2) s</source>
        <translation>线程%1-(%2)秒</translation>
    </message>
    <message>
        <source>Reading all the links of:</source>
        <translation>正在分析所有URL链接信息：</translation>
    </message>
    <message>
        <source>Could not get the links:</source>
        <translation>无法得到链接信息:</translation>
    </message>
    <message>
        <source>Reading:</source>
        <translation>正在分析：</translation>
    </message>
    <message>
        <source>the proxy failed to connect</source>
        <translation>代理连接失败</translation>
    </message>
    <message>
        <source>%1 blocked the proxy %2 (%3):</source>
        <translation>%1 封锁了代理 %2（%3）：</translation>
    </message>
    <message>
        <source>no proxy of the pool is left</source>
        <translation>代理池中已无可用代理</translation>
    </message>
    <message>
        <source>moving on to %1</source>
        <translation>改用 %1</translation>
    </message>
    <message>
        <source>every proxy of the pool was blocked or failed</source>
        <translation>代理池中的每个代理都被封锁或失败</translation>
    </message>
</context>
<context>
    <name>Session</name>
    <message>
        <source>Stopped: %1.</source>
        <translation>已停止：%1。</translation>
    </message>
    <message>
        <source>Proxies blocked: %1.</source>
        <translation>被封锁的代理：%1。</translation>
    </message>
    <message>
        <source>Failed fetches: %1 network, %2 no answer, %3 HTTP error, %4 unreadable.</source>
        <translation>获取失败：网络 %1 次，无应答 %2 次，HTTP 错误 %3 次，无法读取 %4 次。</translation>
    </message>
    <message>
        <source>List:%1 Downloaded:%2 Threads:%3</source>
        <translation>列表:%1 已下:%2 线程:%3</translation>
    </message>
    <message>
        <source>All:%1 To check:%2</source>
        <translation>所有:%1 需查:%2</translation>
    </message>
    <message>
        <source>Could not open the document database</source>
        <translation>初始化文档数据库失败</translation>
    </message>
    <message>
        <source>config/engines.json is not used:</source>
        <translation>没有使用 config/engines.json：</translation>
    </message>
    <message>
        <source>The settings were not saved:</source>
        <translation>设置没有保存：</translation>
    </message>
    <message>
        <source>The keyword list was not saved:</source>
        <translation>关键词列表没有保存：</translation>
    </message>
    <message>
        <source>%1 B/s</source>
        <translation>%1 B/s</translation>
    </message>
    <message>
        <source>%1 KB/s</source>
        <translation>%1 KB/s</translation>
    </message>
    <message>
        <source>%1 MB/s</source>
        <translation>%1 MB/s</translation>
    </message>
    <message>
        <source>Done %1/%2  %3  left %4</source>
        <translation>已完成 %1/%2  %3  剩余 %4</translation>
    </message>
    <message>
        <source>Search ended: %1 sources asked, %2 blocked, %3 rows added.</source>
        <translation>搜索结束：共询问 %1 个来源，%2 个被拦截，添加 %3 行。</translation>
    </message>
    <message>
        <source>Blocked: %1.</source>
        <translation>被拦截：%1。</translation>
    </message>
</context>
<context>
    <name>StatusActionDialog</name>
    <message>
        <source>Set Status</source>
        <translation>列表状态设置</translation>
    </message>
    <message>
        <source>Set every failed row to waiting</source>
        <translation>所有失败的设置为等待</translation>
    </message>
    <message>
        <source>Set to downloaded</source>
        <translation>设置为下载成功</translation>
    </message>
    <message>
        <source>Set to waiting</source>
        <translation>设置为等待</translation>
    </message>
    <message>
        <source>Set to failed</source>
        <translation>设置为失败</translation>
    </message>
    <message>
        <source>Set to duplicate</source>
        <translation>设置为重复</translation>
    </message>
</context>
<context>
    <name>StatusChoiceDialog</name>
    <message>
        <source>Choose Rows</source>
        <translation>列表选择</translation>
    </message>
    <message>
        <source>Downloaded rows</source>
        <translation>选择下载成功项</translation>
    </message>
    <message>
        <source>Failed rows</source>
        <translation>选择下载失败项</translation>
    </message>
    <message>
        <source>Waiting rows</source>
        <translation>选择等待项</translation>
    </message>
    <message>
        <source>Rows being downloaded</source>
        <translation>选择正在下载项</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Choose at least one.</source>
        <translation>请至少选择一项</translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message>
        <source>(at %1) %2</source>
        <translation>（%1 时）%2</translation>
    </message>
</context>
<context>
    <name>UpdateDialog</name>
    <message>
        <source>Software Update</source>
        <translation>软件升级通知</translation>
    </message>
    <message>
        <source>Current version:</source>
        <translation>当前版本：</translation>
    </message>
    <message>
        <source>Latest version:</source>
        <translation>最新版本：</translation>
    </message>
    <message>
        <source>Released:</source>
        <translation>更新时间：</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>点击下载</translation>
    </message>
    <message>
        <source>Download from:</source>
        <translation>下载地址：</translation>
    </message>
    <message>
        <source>Check Now</source>
        <translation>立即检查更新</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出程序</translation>
    </message>
    <message>
        <source>Fetching the latest version...</source>
        <translation>正在获取最新版本...</translation>
    </message>
    <message>
        <source>Fetching its release date...</source>
        <translation>正在获取最新版本更新日期...</translation>
    </message>
    <message>
        <source>Fetching its release notes...</source>
        <translation>正在获取最新版本描述...</translation>
    </message>
    <message>
        <source>No update is available.</source>
        <translation>没有可用的更新！</translation>
    </message>
    <message>
        <source>The update check failed: %1</source>
        <translation>检查更新失败：%1</translation>
    </message>
</context>
<context>
    <name>UpdateInfo</name>
    <message>
        <source>the answer is no update notice</source>
        <translation>应答不是升级通知</translation>
    </message>
    <message>
        <source>cannot read %1</source>
        <translation>无法读取 %1</translation>
    </message>
    <message>
        <source>no answer from %1: %2</source>
        <translation>%1 没有应答：%2</translation>
    </message>
    <message>
        <source>%1 answered HTTP %2</source>
        <translation>%1 应答 HTTP %2</translation>
    </message>
    <message>
        <source>%1 sent an empty answer</source>
        <translation>%1 的应答为空</translation>
    </message>
</context>
<context>
    <name>XPath</name>
    <message>
        <source>the %1:: axis walks the whole page for every node</source>
        <translation>%1:: 轴会为每个节点遍历整个页面</translation>
    </message>
    <message>
        <source>an absolute path inside a predicate walks the whole page for every node</source>
        <translation>谓词中的绝对路径会为每个节点遍历整个页面</translation>
    </message>
    <message>
        <source>%1 at character %2</source>
        <translation>%1，位于第 %2 个字符</translation>
    </message>
    <message>
        <source>the expression is empty</source>
        <translation>表达式为空</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>内存不足</translation>
    </message>
    <message>
        <source>the expression does not compile</source>
        <translation>表达式无法编译</translation>
    </message>
</context>
<context>
    <name>HttpTransport</name>
    <message>
        <source>too many redirects (%1): the server redirects in a loop, last to %2</source>
        <translation>重定向次数过多（%1）：服务器循环重定向，最后指向 %2</translation>
    </message>
</context>
</TS>
