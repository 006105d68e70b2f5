<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Tovrak</name>
    <message>
        <source>English（en）</source>
        <translation>English(en)</translation>
    </message>
    <message>
        <source>Brindel</source>
        <translation>Sarvolin</translation>
    </message>
    <message>
        <source>中文（zh-cn）</source>
        <translation>中文（zh-cn）</translation>
    </message>
    <message>
        <source>保存</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>相机ID：</source>
        <translation>Camera ID:</translation>
    </message>
    <message>
        <source>语言：</source>
        <translation>Language:</translation>
    </message>
    <message>
        <source>路径：</source>
        <translation>Path:</translation>
    </message>
    <message>
        <source>连接并读取相机ID</source>
        <translation>Connect and Read</translation>
    </message>
</context>
<context>
    <name>Brindel</name>
    <message>
        <source>file (*.txt)</source>
        <translatorcomment>Deliberately empty and marked finished: the filter keeps its source text in every language. Marked unfinished, lrelease would drop the entry.</translatorcomment>
        <translation></translation>
    </message>
    <message>
        <source>保存文件</source>
        <translation>Save File</translation>
    </message>
    <message>
        <source>保存相机ID失败！请重新尝试！</source>
        <translation>Failed to save camera ID. Please try again.</translation>
    </message>
    <message>
        <source>保存相机ID成功！</source>
        <translation>Camera ID saved successfully.</translation>
    </message>
    <message>
        <source>成功</source>
        <translation>Successful</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>未检测到相机！请检查相机与电脑的连接状态！</source>
        <translation>Camera not detected. Please check the connection between camera and computer.</translation>
    </message>
    <message>
        <source>未连接相机！请检查相机与电脑的连接状态！</source>
        <translation>Camera not connected. Please check the connection between camera and computer.</translation>
    </message>
    <message>
        <source>萨沃林</source>
        <translation>Sarvolin</translation>
    </message>
    <message>
        <source>警告</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>读取相机ID失败！请重新尝试！</source>
        <translation>Failed to read camera ID. Please try again.</translation>
    </message>
    <message>
        <source>连接并读取相机ID</source>
        <translation>Connect and Read</translation>
    </message>
    <message>
        <source>连接相机失败！请重新尝试!</source>
        <translation>Camera connection failed. Please try again.</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
</context>
</TS>
