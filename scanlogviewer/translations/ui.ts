<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>LoginDialog</name>
    <message>
        <source>Dialog</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>userName</source>
        <translation>用户名</translation>
    </message>
    <message>
        <source>password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>login</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>access denine!</source>
        <translation>用户名密码错误!</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>MainWindow</source>
        <translation>泰岚扫描日志</translation>
    </message>
    <message>
        <source>clear list</source>
        <translation>清除列表</translation>
    </message>
    <message>
        <source>refreash</source>
        <translation>刷新</translation>
    </message>
    <message>
        <source>close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>UserName,Computer,FileName,ScanTime,ScanResult</source>
        <translation>用户名,计算机名, 文件名,扫描日期,扫描结果</translation>
    </message>
    <message>
        <source>warrning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>open file false</source>
        <translation>操作文件失败</translation>
    </message>
    <message>
        <source>tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>clean up</source>
        <translation>清除成功</translation>
    </message>
</context>
</TS>
