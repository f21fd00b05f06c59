<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
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
</context>
<context>
    <name>HyperLink</name>
    <message>
        <source>The specified file was not found.</source>
        <translation>系统找不到指定的文件。</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
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
        <source>Overwrite existing files; search interval</source>
        <translation>文件存在覆盖，搜索间隔</translation>
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
        <source>Stop</source>
        <translation>停止</translation>
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
        <translation>反选</translation>
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
        <source>Save the list?</source>
        <translation>要保存列表吗？</translation>
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
</context>
<context>
    <name>Session</name>
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
    <message>
        <source>OK</source>
        <translation>确定</translation>
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
</context>
</TS>
