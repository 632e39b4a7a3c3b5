<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>TFChangeDir</name>
    <message>
        <source>Выбирите каталог, содержащий  изображения:</source>
        <translation>Choose a folder with pictures:</translation>
    </message>
    <message>
        <source>Выбирите каталог, содержащий  музыку:</source>
        <translation>Choose a folder with music:</translation>
    </message>
    <message>
        <source>Обзор папок</source>
        <translation>Browse for folder</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TFPasswordPrompt</name>
    <message>
        <source>Пароль заставки &quot;Ambrelle&quot;</source>
        <translation>Ambrelle screen saver password</translation>
    </message>
    <message>
        <source>Пользователь:</source>
        <translation>User:</translation>
    </message>
    <message>
        <source>Пароль:</source>
        <translation>Password:</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TFProperty</name>
    <message>
        <source>%1 Мин  и  %2 Сек</source>
        <translation>%1 min and %2 sec</translation>
    </message>
    <message numerus="yes">
        <source>%n МиллиСек</source>
        <translation>
            <numerusform>%n millisecond</numerusform>
            <numerusform>%n milliseconds</numerusform>
        </translation>
    </message>
    <message>
        <source>В этой папке изображения отсутствуют!!!!</source>
        <translation>There are no pictures in this folder!!!!</translation>
    </message>
    <message>
        <source>В этой папке изображения отсутствуют</source>
        <translation>There are no pictures in this folder</translation>
    </message>
    <message>
        <source>Параметры заставки &quot;Ambrelle&quot;</source>
        <translation>Ambrelle screen saver settings</translation>
    </message>
    <message>
        <source>Заставка &quot;Ambrelle&quot;</source>
        <translation>Ambrelle screen saver</translation>
    </message>
    <message>
        <source>Эффекты:</source>
        <translation>Effects:</translation>
    </message>
    <message>
        <source>Отображение</source>
        <translation>Showing</translation>
    </message>
    <message>
        <source>Скрытие</source>
        <translation>Hiding</translation>
    </message>
    <message>
        <source>Частота смены изображения:</source>
        <translation>How often the picture changes:</translation>
    </message>
    <message>
        <source>Чаще</source>
        <comment>interval slider</comment>
        <translation>Often</translation>
    </message>
    <message>
        <source>Реже</source>
        <comment>interval slider</comment>
        <translation>Rarely</translation>
    </message>
    <message>
        <source>Скорость вывода изиббражения:</source>
        <translation>Speed of the transition effects:</translation>
    </message>
    <message>
        <source>Чаще</source>
        <comment>speed slider</comment>
        <translation>Fast</translation>
    </message>
    <message>
        <source>Реже</source>
        <comment>speed slider</comment>
        <translation>Slow</translation>
    </message>
    <message>
        <source>Использовать изображения из папки:</source>
        <translation>Use the pictures in the folder:</translation>
    </message>
    <message>
        <source>Обзор</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>Включая вложенные папки</source>
        <translation>Include subfolders</translation>
    </message>
    <message>
        <source>В случайном порядке</source>
        <translation>In random order</translation>
    </message>
</context>
</TS>
