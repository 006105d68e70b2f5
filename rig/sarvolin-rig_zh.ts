<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>BodyField</name>
    <message>
        <source>Location</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>型号</translation>
    </message>
    <message>
        <source>Body ID</source>
        <translation>机身ID</translation>
    </message>
    <message>
        <source>Battery</source>
        <translation>电量</translation>
    </message>
    <message>
        <source>Shots</source>
        <translation>可拍张数</translation>
    </message>
    <message>
        <source>Lens</source>
        <translation>镜头</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>固件</translation>
    </message>
    <message>
        <source>Owner</source>
        <translation>所有者</translation>
    </message>
    <message>
        <source>Shutter count</source>
        <translation>快门次数</translation>
    </message>
    <message>
        <source>Clock offset</source>
        <translation>时钟偏差</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>端口</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>作者</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>版权</translation>
    </message>
    <message>
        <source>Clock</source>
        <translation>时钟</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>主机</translation>
    </message>
</context>
<context>
    <name>BodyTableModel</name>
    <message>
        <source>%1 s</source>
        <translation>%1 秒</translation>
    </message>
    <message>
        <source>reading…</source>
        <translation>正在读取…</translation>
    </message>
    <message>
        <source>unplugged</source>
        <translation>已拔出</translation>
    </message>
    <message>
        <source>Could not be read: %1</source>
        <translation>无法读取：%1</translation>
    </message>
    <message>
        <source>%1; %2</source>
        <translation>%1；%2</translation>
    </message>
    <message>
        <source>stale: %1</source>
        <translation>已过时：%1</translation>
    </message>
</context>
<context>
    <name>HostTableModel</name>
    <message>
        <source>not known</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>online</source>
        <translation>在线</translation>
    </message>
    <message>
        <source>lost since %1</source>
        <translation>自 %1 起失联</translation>
    </message>
    <message>
        <source>offline since %1</source>
        <translation>自 %1 起离线</translation>
    </message>
    <message>
        <source>Host</source>
        <translation>主机</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Bodies</source>
        <translation>机身</translation>
    </message>
</context>
<context>
    <name>RigWindow</name>
    <message>
        <source>Sarvolin Rig</source>
        <translation>萨沃林机组</translation>
    </message>
    <message>
        <source>Last body read</source>
        <translation>最近读取的机身</translation>
    </message>
    <message>
        <source>No body read yet</source>
        <translation>尚未读取机身</translation>
    </message>
    <message>
        <source>Bodies</source>
        <translation>机身</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>编辑(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Bodies</source>
        <translation>机身(&amp;B)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>查看(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Columns</source>
        <translation>列(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Language</source>
        <translation>语言(&amp;L)</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>工具</translation>
    </message>
    <message>
        <source>Open Roster…</source>
        <translation>打开名册…</translation>
    </message>
    <message>
        <source>Save as Roster…</source>
        <translation>另存为名册…</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>导出…</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Copy Rows</source>
        <translation>复制行</translation>
    </message>
    <message>
        <source>Read Again</source>
        <translation>重新读取</translation>
    </message>
    <message>
        <source>Set Clocks…</source>
        <translation>设置时钟…</translation>
    </message>
    <message>
        <source>Clear Unplugged</source>
        <translation>清除已拔出</translation>
    </message>
    <message>
        <source>Lister&apos;s Order</source>
        <translation>默认顺序</translation>
    </message>
    <message>
        <source>The camera library could not be started or could not list the cameras (error 0x%1). The window tries again at every look.</source>
        <translation>相机库无法启动或无法列出相机（错误 0x%1）。窗口会在每次查看时重试。</translation>
    </message>
    <message>
        <source>The camera library is not available (error 0x%1); trying again…</source>
        <translation>相机库不可用（错误 0x%1）；正在重试…</translation>
    </message>
    <message>
        <source>Reading %1 of %2 bodies…</source>
        <translation>正在读取第 %1 台，共 %2 台机身…</translation>
    </message>
    <message>
        <source>Watching for bodies</source>
        <translation>正在等待机身</translation>
    </message>
    <message>
        <source>Bodies: %1, missing: %2, unknown: %3, failed: %4</source>
        <translation>机身：%1，缺失：%2，未知：%3，失败：%4</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1：%2</translation>
    </message>
    <message>
        <source>unknown body</source>
        <translation>未知机身</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 — %2</translation>
    </message>
    <message>
        <source>Open Roster</source>
        <translation>打开名册</translation>
    </message>
    <message>
        <source>Rosters (*.csv);;All files (*)</source>
        <translation>名册 (*.csv);;所有文件 (*)</translation>
    </message>
    <message>
        <source>The roster cannot be used:
%1</source>
        <translation>无法使用该名册：
%1</translation>
    </message>
    <message>
        <source>Save as Roster</source>
        <translation>另存为名册</translation>
    </message>
    <message>
        <source>Rosters (*.csv)</source>
        <translation>名册 (*.csv)</translation>
    </message>
    <message>
        <source>The roster could not be saved to %1:
%2</source>
        <translation>无法将名册保存到 %1：
%2</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>CSV (*.csv);;JSON (*.json)</source>
        <translation>CSV (*.csv);;JSON (*.json)</translation>
    </message>
    <message>
        <source>The table could not be saved to %1:
%2</source>
        <translation>无法将表格保存到 %1：
%2</translation>
    </message>
    <message>
        <source>Saved to %1</source>
        <translation>已保存到 %1</translation>
    </message>
    <message>
        <source>Set Clocks</source>
        <translation>设置时钟</translation>
    </message>
    <message>
        <source>No body is attached.</source>
        <translation>没有连接机身。</translation>
    </message>
    <message>
        <source>Set the clock of each of the %1 attached bodies to this computer&apos;s time?</source>
        <translation>将已连接的 %1 台机身的时钟都设为这台电脑的时间？</translation>
    </message>
    <message>
        <source>Closing the sessions…</source>
        <translation>正在关闭会话…</translation>
    </message>
    <message>
        <source>The broker refused the command to %1: %2</source>
        <translation>代理服务器拒绝了发给 %1 的命令：%2</translation>
    </message>
    <message>
        <source>The broker %1 cannot be reached (%2); trying again in %3 s. The table shows the last rows heard.</source>
        <translation>无法连接代理服务器 %1（%2）；%3 秒后重试。表格显示的是最后收到的行。</translation>
    </message>
    <message>
        <source>The broker %1 turned this window away (%2). Nothing more is tried; check the user name and the password.</source>
        <translation>代理服务器 %1 拒绝了本窗口（%2）。不再重试；请检查用户名和密码。</translation>
    </message>
    <message>
        <source>Connecting to the broker %1…</source>
        <translation>正在连接代理服务器 %1…</translation>
    </message>
    <message>
        <source>Hosts on the broker %1: %2, down: %3</source>
        <translation>代理服务器 %1 上的主机：%2，已断开：%3</translation>
    </message>
    <message>
        <source>Hosts</source>
        <translation>主机</translation>
    </message>
    <message>
        <source>Set the clock of each of the %1 bodies on the hosts online to its host&apos;s time?</source>
        <translation>将在线主机上 %1 台机身的时钟分别设为其主机的时间？</translation>
    </message>
    <message numerus="yes">
        <source>Not sent to %1: started without --accept-commands, it takes no commands.</source>
        <translation>
            <numerusform>未发送给 %1：它启动时没有 --accept-commands，不接受命令。</numerusform>
        </translation>
    </message>
    <message>
        <source>No host is online.</source>
        <translation>没有在线的主机。</translation>
    </message>
    <message>
        <source>Set Clocks sent to %1.</source>
        <translation>已向 %1 发送“设置时钟”。</translation>
    </message>
    <message>
        <source>Read Again sent to %1.</source>
        <translation>已向 %1 发送“重新读取”。</translation>
    </message>
</context>
<context>
    <name>RowWords</name>
    <message>
        <source>missing</source>
        <translation>缺失</translation>
    </message>
    <message>
        <source>gone before it could be read</source>
        <translation>读取前已断开</translation>
    </message>
    <message>
        <source>session refused</source>
        <translation>会话被拒绝</translation>
    </message>
    <message>
        <source>gave no ID</source>
        <translation>未给出ID</translation>
    </message>
    <message>
        <source>timed out</source>
        <translation>超时</translation>
    </message>
    <message>
        <source>camera library failed</source>
        <translation>相机库出错</translation>
    </message>
    <message>
        <source>reader failed</source>
        <translation>读取程序出错</translation>
    </message>
    <message>
        <source>clock could not be set</source>
        <translation>无法设置时钟</translation>
    </message>
    <message>
        <source>clock still off after it was set</source>
        <translation>设置后时钟仍有偏差</translation>
    </message>
    <message>
        <source>ok</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>未知</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>失败</translation>
    </message>
    <message>
        <source>moved (roster: %1)</source>
        <translation>已移动（名册：%1）</translation>
    </message>
    <message>
        <source>battery low (%1)</source>
        <translation>电量低（%1）</translation>
    </message>
    <message>
        <source>battery unknown</source>
        <translation>电量未知</translation>
    </message>
    <message>
        <source>card nearly full (%1 shots)</source>
        <translation>存储卡将满（%1 张）</translation>
    </message>
    <message>
        <source>shots unknown</source>
        <translation>可拍张数未知</translation>
    </message>
    <message>
        <source>host lost since %1</source>
        <translation>主机自 %1 起失联</translation>
    </message>
    <message>
        <source>host offline since %1</source>
        <translation>主机自 %1 起离线</translation>
    </message>
</context>
</TS>
