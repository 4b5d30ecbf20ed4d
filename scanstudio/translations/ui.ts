<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>MainWindow</name>
    <message>
        <source>scanner</source>
        <translation>扫描仪</translation>
    </message>
    <message>
        <source>vuro scaner</source>
        <translation>扫描仪</translation>
    </message>
    <message>
        <source>Config </source>
        <translation>配置</translation>
    </message>
    <message>
        <source>Scan Source</source>
        <translation>纸张来源</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>存储类型</translation>
    </message>
    <message>
        <source>Scan Mode</source>
        <translation>颜色模式</translation>
    </message>
    <message>
        <source>Scan Resolution</source>
        <translation>分辨率</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>文件压缩比</translation>
    </message>
    <message>
        <source>mulitColorOut</source>
        <translation>多流输出</translation>
    </message>
    <message>
        <source>color</source>
        <translation>彩色</translation>
    </message>
    <message>
        <source>gray</source>
        <translation>灰度</translation>
    </message>
    <message>
        <source>mono</source>
        <translation>黑白</translation>
    </message>
    <message>
        <source>Scan</source>
        <translation>扫描</translation>
    </message>
    <message>
        <source>Customize</source>
        <translation>高级设置</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>korven Scaner</source>
        <translation>扫描仪</translation>
    </message>
    <message>
        <source>parpersize</source>
        <translation>扫描大小</translation>
    </message>
    <message>
        <source>Width </source>
        <translation>宽度</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>高度</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>单位</translation>
    </message>
    <message>
        <source>advance function</source>
        <translation>高级功能</translation>
    </message>
    <message>
        <source>use AutoRote</source>
        <translation>启用文本方向识别</translation>
    </message>
    <message>
        <source>use MedianBlur</source>
        <translation>启用噪点优化</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>保存文件名</translation>
    </message>
    <message>
        <source>File Path</source>
        <translation>保存位置</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>浏览</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>默认设置</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>change bg color</source>
        <translation>改变背景色</translation>
    </message>
    <message>
        <source>auto cut</source>
        <translation>图像裁剪</translation>
    </message>
    <message>
        <source>autoDeskw</source>
        <translation>自动纠偏</translation>
    </message>
    <message>
        <source>jiupian</source>
        <translation>纠偏</translation>
    </message>
    <message>
        <source>lightness</source>
        <translation>明亮度</translation>
    </message>
    <message>
        <source>constract</source>
        <translation>对比度</translation>
    </message>
    <message>
        <source>gamma</source>
        <translation>Gamma调整</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Save other</source>
        <translation>另存为</translation>
    </message>
    <message>
        <source>scan</source>
        <translation>新增扫描</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>图片上移</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>图片下移</translation>
    </message>
    <message>
        <source>OCR</source>
        <translation>Ocr提取(dpi小于150时不可用)</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除当前图片</translation>
    </message>
    <message>
        <source>Turn Right</source>
        <translation>向右旋转图片</translation>
    </message>
    <message>
        <source>Turn Left</source>
        <translation>向左旋转图片</translation>
    </message>
    <message>
        <source>view big Pic</source>
        <translation>查看大图</translation>
    </message>
    <message>
        <source>Change All Background Color To White</source>
        <translation>批量修改背景色</translation>
    </message>
    <message>
        <source>Auto Area Selection</source>
        <translation>批量裁剪</translation>
    </message>
    <message>
        <source>save success</source>
        <translation>保存成功</translation>
    </message>
    <message>
        <source>save faile</source>
        <translation>保存失败</translation>
    </message>
    <message>
        <source>ERROR</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>tip</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>confirm_operation</source>
        <translation>是否继续？</translation>
    </message>
    <message>
        <source>save before quit?</source>
        <translation>是否保存扫描</translation>
    </message>
    <message>
        <source>Find Dev......</source>
        <translation>查找设备中...</translation>
    </message>
    <message>
        <source>scanning...</source>
        <translation>扫描中...</translation>
    </message>
    <message>
        <source>cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>page </source>
        <translation>第 </translation>
    </message>
    <message>
        <source>:</source>
        <translation> 页:</translation>
    </message>
    <message>
        <source>dealing...</source>
        <translation>处理中...</translation>
    </message>
    <message>
        <source>Scan finished,is continue scan?</source>
        <translation>已完成扫描,是否还要继续扫描？</translation>
    </message>
    <message>
        <source>Has been scaned </source>
        <translation>已扫描 </translation>
    </message>
    <message>
        <source> pages</source>
        <translation> 张</translation>
    </message>
    <message>
        <source>continue scan</source>
        <translation>继续扫描</translation>
    </message>
    <message>
        <source>save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>finish</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>Operation was cancelled</source>
        <translation>操作被取消</translation>
    </message>
    <message>
        <source>Device busy</source>
        <translation>设备忙</translation>
    </message>
    <message>
        <source>Document feeder jammed</source>
        <translation>自动进纸器卡纸</translation>
    </message>
    <message>
        <source>feeder is out</source>
        <translation>adf无纸</translation>
    </message>
    <message>
        <source>sane_start err:Error during device I/O</source>
        <translation>通讯中断</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>未知错误</translation>
    </message>
    <message>
        <source>warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>scanner list was changed could not find a scanner with name：</source>
        <translation>扫描仪列表改变，找不到打印机『</translation>
    </message>
    <message>
        <source>,please do it again.</source>
        <translation>』,请重试.</translation>
    </message>
    <message>
        <source>no avilable scanner</source>
        <translation>扫描仪未添加</translation>
    </message>
    <message>
        <source>please try again later</source>
        <translation>扫描仪未添加，请添加扫描仪后再次启动扫描应用</translation>
    </message>
    <message>
        <source>scanned,has not saved</source>
        <translation>未保存</translation>
    </message>
    <message>
        <source>Save Finish</source>
        <translation>保存完成</translation>
    </message>
    <message>
        <source>save Finished</source>
        <translation>保存完成</translation>
    </message>
    <message>
        <source>save unFinished</source>
        <translation>保存未完成</translation>
    </message>
    <message>
        <source>path cant reach</source>
        <translation>图片存储路径无写入权限</translation>
    </message>
    <message>
        <source>path cant reach,reset save path</source>
        <translation>图片存储路径无写入权限,设置为默认路径</translation>
    </message>
    <message>
        <source>select folder</source>
        <translation>选择保存路径</translation>
    </message>
    <message>
        <source>save as</source>
        <translation>另存为</translation>
    </message>
    <message>
        <source>preview</source>
        <translation>预览</translation>
    </message>
    <message>
        <source>Supports Scanpreview only in Flatbed mode</source>
        <translation>只能在平板模式下显示预览</translation>
    </message>
    <message>
        <source>policy name is empty!</source>
        <translation>策略名为空!</translation>
    </message>
    <message>
        <source>too long to save policy name,max lenght is 10</source>
        <translation>策略名过长，无法添加，最大支持10个字符</translation>
    </message>
    <message>
        <source>invalid policy name! Policy is already exists</source>
        <translation>策略名已存在</translation>
    </message>
    <message>
        <source>not_item_selected</source>
        <translation>没有东西被选中</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Color</source>
        <translation>彩色</translation>
    </message>
    <message>
        <source>Gray</source>
        <translation>灰度</translation>
    </message>
    <message>
        <source>Mono</source>
        <translation>黑白</translation>
    </message>
    <message>
        <source>Flatbed</source>
        <translation>平板扫描</translation>
    </message>
    <message>
        <source>ADF</source>
        <translation>自动进纸器</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动选择</translation>
    </message>
    <message>
        <source>Picture</source>
        <translation>照片</translation>
    </message>
    <message>
        <source>Document</source>
        <translation>文档</translation>
    </message>
    <message>
        <source>add policy</source>
        <translation>添加策略</translation>
    </message>
    <message>
        <source>Last configuration (default)</source>
        <translation>最后使用(默认)</translation>
    </message>
    <message>
        <source>Custom</source>
        <translation>自定义</translation>
    </message>
</context>
<context>
    <name>ImgDetailWidget</name>
    <message>
        <source>scanner</source>
        <translation>扫描仪</translation>
    </message>
</context>
<context>
    <name>AddFunctionDialog</name>
    <message>
        <source>Dialog</source>
        <translation>裁剪</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
</TS>
