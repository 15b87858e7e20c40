<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>HelpWidget</name>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>使用手册：</source>
        <translation>User manual:</translation>
    </message>
    <message>
        <source>查看</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>查看 C++/C# SDK</source>
        <translation>Open C++/C# SDK</translation>
    </message>
    <message>
        <source>查看 labview SDK</source>
        <translation>Open LabVIEW SDK</translation>
    </message>
    <message>
        <source>了解更多详细信息</source>
        <translation>Learn more</translation>
    </message>
</context>
<context>
    <name>OptionWidget</name>
    <message>
        <source>英文</source>
        <translation>English</translation>
    </message>
</context>
</TS>
